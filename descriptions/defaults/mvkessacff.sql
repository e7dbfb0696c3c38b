-- Default datasets of the Kessac series (device type 138), FOUNDATION
-- Fieldbus. The series has English texts only; a German user sees them too.
-- The cells and static-pressure ranges follow in KessacCells.sql.

INSERT INTO DeviceType (Label, SortOrder) VALUES
    ('KESSAC MV 138 FF', 1),
    ('KESSAC DP 138 FF', 2);

INSERT INTO DeviceTypeText (DeviceType, CountryCode, Description) VALUES
    ('KESSAC MV 138 FF', 1, 'Multivariable flow transmitter for FOUNDATION Fieldbus'),
    ('KESSAC DP 138 FF', 1, 'Differential pressure transmitter for FOUNDATION Fieldbus');

-- Besides what every fieldbus device of the family gets (FieldbusItems.sql):
-- the channels of the analog input blocks.
INSERT INTO GeneralData (ObjectName, ObjectValue) VALUES
    ('ptrbChannel1MapFF', '1'),
    ('ptrbChannel2MapFF', '2'),
    ('aiDPChannel', '1'),
    ('aiPChannel', '2'),
    ('aiTChannel', '3');

INSERT INTO DeviceTypeData (DeviceType, ObjectName, ObjectValue) VALUES
    ('KESSAC MV 138 FF', 'pbMultivariableFunction', '1'),
    ('KESSAC MV 138 FF', 'mvModeBlkTarget', '8'),
    ('KESSAC MV 138 FF', 'mvMediumType', '1'),
    ('KESSAC DP 138 FF', 'pbMultivariableFunction', '0'),
    ('KESSAC DP 138 FF', 'mvModeBlkTarget', '128');
