-- The structure of every default-dataset database: the device types of one
-- device series and bus kind, their pressure ranges and static-pressure
-- ranges, and the item values a factory sets for the series, for each device
-- type, for each device type and pressure range, and for each static-pressure
-- range. The build creates each database from this file and the series' data
-- file (mvtrivexhart.sql and its neighbours).
--
-- The device user interface reads only the views. A view keeps the columns
-- that select its rows (CountryCode, DeviceType, PRange, PstatRange) beside
-- the columns it answers with; the program selects with bound parameters.
-- Item values are texts as an item takes them; numbers with a point as the
-- decimal separator.

PRAGMA foreign_keys = ON;

CREATE TABLE DeviceType (
    Label     TEXT PRIMARY KEY NOT NULL,
    SortOrder INTEGER NOT NULL
);

-- The description of a device type in a language (country code 1 English,
-- 49 German). A series without German rows is shown in English.
CREATE TABLE DeviceTypeText (
    DeviceType  TEXT NOT NULL REFERENCES DeviceType(Label),
    CountryCode INTEGER NOT NULL,
    Description TEXT NOT NULL,
    PRIMARY KEY (DeviceType, CountryCode)
);

-- The measuring cells a device type is built with.
CREATE TABLE PRange (
    DeviceType TEXT NOT NULL REFERENCES DeviceType(Label),
    Label      TEXT NOT NULL,
    SortOrder  INTEGER NOT NULL,
    PRIMARY KEY (DeviceType, Label)
);

CREATE TABLE PstatRange (
    Label     TEXT PRIMARY KEY NOT NULL,
    SortOrder INTEGER NOT NULL
);

-- The static-pressure ranges a measuring cell of a device type comes with.
CREATE TABLE PRangePstatRange (
    DeviceType TEXT NOT NULL,
    PRange     TEXT NOT NULL,
    PstatRange TEXT NOT NULL REFERENCES PstatRange(Label),
    PRIMARY KEY (DeviceType, PRange, PstatRange),
    FOREIGN KEY (DeviceType, PRange) REFERENCES PRange(DeviceType, Label)
);

CREATE TABLE GeneralData (
    ObjectName  TEXT PRIMARY KEY NOT NULL,
    ObjectValue TEXT NOT NULL
);

CREATE TABLE DeviceTypeData (
    DeviceType  TEXT NOT NULL REFERENCES DeviceType(Label),
    ObjectName  TEXT NOT NULL,
    ObjectValue TEXT NOT NULL,
    PRIMARY KEY (DeviceType, ObjectName)
);

CREATE TABLE PRangeData (
    DeviceType  TEXT NOT NULL,
    PRange      TEXT NOT NULL,
    ObjectName  TEXT NOT NULL,
    ObjectValue TEXT NOT NULL,
    PRIMARY KEY (DeviceType, PRange, ObjectName),
    FOREIGN KEY (DeviceType, PRange) REFERENCES PRange(DeviceType, Label)
);

CREATE TABLE PstatRangeData (
    PstatRange  TEXT NOT NULL REFERENCES PstatRange(Label),
    ObjectName  TEXT NOT NULL,
    ObjectValue TEXT NOT NULL,
    PRIMARY KEY (PstatRange, ObjectName)
);

-- The values of a measuring cell together with one of its static-pressure
-- ranges: the device reports the static pressure's sensor limits and minimum
-- span in the unit of the cell's limits, so those numbers depend on both.
CREATE TABLE PRangePstatRangeData (
    DeviceType  TEXT NOT NULL,
    PRange      TEXT NOT NULL,
    PstatRange  TEXT NOT NULL,
    ObjectName  TEXT NOT NULL,
    ObjectValue TEXT NOT NULL,
    PRIMARY KEY (DeviceType, PRange, PstatRange, ObjectName),
    FOREIGN KEY (DeviceType, PRange, PstatRange) REFERENCES PRangePstatRange(DeviceType, PRange, PstatRange)
);

CREATE VIEW ViewDeviceTypes AS
    SELECT t.CountryCode AS CountryCode, d.Label AS Label, t.Description AS Description, d.SortOrder AS SortOrder
    FROM DeviceType d JOIN DeviceTypeText t ON t.DeviceType = d.Label;

CREATE VIEW ViewDeviceTypePRanges AS
    SELECT DeviceType, Label, SortOrder FROM PRange;

CREATE VIEW ViewDeviceTypePstatRangesSorted AS
    SELECT l.DeviceType AS DeviceType, l.PRange AS PRange, s.Label AS Label, s.SortOrder AS SortOrder
    FROM PRangePstatRange l JOIN PstatRange s ON s.Label = l.PstatRange;

CREATE VIEW ViewGeneralDevicedata AS
    SELECT ObjectName, ObjectValue FROM GeneralData;

CREATE VIEW ViewSpecificDevicedata AS
    SELECT DeviceType, ObjectName, ObjectValue FROM DeviceTypeData;

CREATE VIEW ViewPRangeData AS
    SELECT DeviceType, PRange, ObjectName, ObjectValue FROM PRangeData;

CREATE VIEW ViewPstatRangeData AS
    SELECT PstatRange, ObjectName, ObjectValue FROM PstatRangeData;

CREATE VIEW ViewPRangePstatRangeData AS
    SELECT DeviceType, PRange, PstatRange, ObjectName, ObjectValue FROM PRangePstatRangeData;

-- Working tables of the build (gone when the build closes the database): a
-- series' data file lists its measuring cells and static-pressure ranges once
-- and names the items that take each of their facts; RangeData.sql then
-- writes PstatRange, PRangePstatRange, PRangeData, PstatRangeData and
-- PRangePstatRangeData from them.
CREATE TEMP TABLE Cell (
    Label     TEXT PRIMARY KEY NOT NULL,
    SortOrder INTEGER NOT NULL,
    Unit      TEXT NOT NULL,  -- HART unit code of the limits and the range
    Lower     TEXT NOT NULL,  -- lower and upper sensor limit
    Upper     TEXT NOT NULL,  -- also the upper range value the factory sets
    MinSpan   TEXT NOT NULL,
    Damping   TEXT            -- NULL: the series' general damping
);
CREATE TEMP TABLE StaticCell (
    Label     TEXT PRIMARY KEY NOT NULL,
    SortOrder INTEGER NOT NULL,
    Unit      TEXT NOT NULL,
    Upper     TEXT NOT NULL,  -- upper limit, range and rated pressure; the lower one is 0
    MinSpan   TEXT NOT NULL
);
-- The static-pressure ranges a measuring cell comes with (for every device
-- type built with the cell).
CREATE TEMP TABLE CellStatic (
    Cell       TEXT NOT NULL REFERENCES Cell(Label),
    StaticCell TEXT NOT NULL REFERENCES StaticCell(Label),
    PRIMARY KEY (Cell, StaticCell)
);
-- Which item takes which fact of a cell: Source is a column of Cell
-- (StaticCell for StaticItem) or 'Zero' for the lower range value 0.
CREATE TEMP TABLE CellItem (
    ObjectName TEXT PRIMARY KEY NOT NULL,
    Source     TEXT NOT NULL CHECK (Source IN ('Zero', 'Unit', 'Lower', 'Upper', 'MinSpan', 'Damping'))
);
CREATE TEMP TABLE StaticItem (
    ObjectName TEXT PRIMARY KEY NOT NULL,
    Source     TEXT NOT NULL CHECK (Source IN ('Zero', 'Unit', 'Upper', 'MinSpan'))
);
-- The facts of a static-pressure range that an item holds in the unit of the
-- measuring cell's limits (ptrbSensorLimitUnit), converted from the range's unit.
CREATE TEMP TABLE StaticLimitItem (
    ObjectName TEXT PRIMARY KEY NOT NULL,
    Source     TEXT NOT NULL CHECK (Source IN ('Zero', 'Upper', 'MinSpan'))
);
-- The pressure units the cells and ranges are given in: Pascal per unit.
-- A unit missing here fails the build (its converted values would be NULL).
CREATE TEMP TABLE PressureUnit (
    Unit   TEXT PRIMARY KEY NOT NULL,
    Pascal REAL NOT NULL
);
INSERT INTO temp.PressureUnit (Unit, Pascal) VALUES
    ('7', 100000),  -- bar
    ('8', 100),     -- mbar
    ('12', 1000),   -- kPa
    ('237', 1000000); -- MPa
