#pragma once
// The public enumerations of the device helper library. Their values are the
// ones the device components, pages and controls store and compare, so they
// are fixed; a fixed underlying type lets a caller pass any number (a value
// outside the members is answered as each member function says).
#include <cstdint>

// Bus kind of the connected transmitter.
enum class enmCommType : int32_t {
    HART = 0,
    PROFIBUS = 1,
    ff = 2,
};

// Pressure module of the transmitter.
enum class enmModuleType : int32_t {
    ABSOLUT_PRESSURE = 0,
    DIFFERENTIAL_PRESSURE = 1,
};

// Block modes of the multivariable block that the components compare.
enum class enmBlockMode : int32_t {
    OUT_OF_SERVICE = 128,
    AUTOMATIK = 8,
};

// Linearisation types of the pressure transducer block, independent of the
// bus; GetPtrbLinTypeCode gives each one's code on the connected bus.
enum class enmPtrbLinType : int32_t {
    LINEAR = 0,
    SQUARE_ROOT = 1,
    PRIMARY_ELEMENT_LINEARIZATION = 2,
    SQUARE_ROOT_3 = 3,
    SQUARE_ROOT_5 = 4,
    USER_CURVE = 5,
    CYLINDRIC = 6,
    SPHERICAL = 7,
};

// Bit values of the diagnosis extension, for the users of the library.
enum class enmDiagnosisExtension : int32_t {
    DATA_SAVE = 2,
};
