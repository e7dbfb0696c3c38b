-- Default datasets of the Kessac series (device type 138), PROFIBUS PA.
-- The cells and static-pressure ranges follow in KessacCells.sql.

INSERT INTO DeviceType (Label, SortOrder) VALUES
    ('KESSAC MV 138 PA', 1);

INSERT INTO DeviceTypeText (DeviceType, CountryCode, Description) VALUES
    ('KESSAC MV 138 PA', 1, 'Multivariable flow transmitter for PROFIBUS PA'),
    ('KESSAC MV 138 PA', 49, 'Multivariabler Durchfluss-Messumformer für PROFIBUS PA');

-- Besides what every fieldbus device of the family gets (FieldbusItems.sql):
-- the address a new PROFIBUS device answers at.
INSERT INTO GeneralData (ObjectName, ObjectValue) VALUES
    ('pbBusAddressProfi', '126');

INSERT INTO DeviceTypeData (DeviceType, ObjectName, ObjectValue) VALUES
    ('KESSAC MV 138 PA', 'pbMultivariableFunction', '1'),
    ('KESSAC MV 138 PA', 'mvMediumType', '1'),
    ('KESSAC MV 138 PA', 'mvOutMassFlowUnit', '75');
