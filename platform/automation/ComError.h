#pragma once
// A raised automation error: the number, description and source that cross
// an object boundary. Result codes passed as out-parameters stay plain numbers.
#include <QString>
#include <cstdint>
#include <exception>
#include <string>

namespace automation {

// Common result numbers used by the stand-in platform.
constexpr int32_t S_OK_ = 0;
constexpr int32_t E_FAIL_ = static_cast<int32_t>(0x80004005u);
constexpr int32_t E_INVALIDARG_ = static_cast<int32_t>(0x80070057u);
constexpr int32_t E_NOINTERFACE_ = static_cast<int32_t>(0x80004002u);
constexpr int32_t CO_E_CLASSSTRING_ = static_cast<int32_t>(0x800401F3u);
// "ActiveX component can't create object"
constexpr int32_t ERR_CANT_CREATE_OBJECT = 429;
// Base of object-defined error numbers.
constexpr int32_t vbObjectError = static_cast<int32_t>(0x80040000u);

class ComError : public std::exception {
public:
    ComError(int32_t number, QString description, QString source = QString());

    int32_t number() const noexcept { return m_number; }
    const QString& description() const noexcept { return m_description; }
    const QString& source() const noexcept { return m_source; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    int32_t m_number;
    QString m_description;
    QString m_source;
    std::string m_what;
};

} // namespace automation
