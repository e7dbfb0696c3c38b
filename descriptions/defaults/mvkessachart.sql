-- Default datasets of the Kessac series, HART: device type 138 and its
-- Modbus variant with the PID controller, device type 139.
-- The cells and static-pressure ranges follow in KessacCells.sql.

INSERT INTO DeviceType (Label, SortOrder) VALUES
    ('KESSAC MV 138', 1),
    ('KESSAC DP 138', 2),
    ('KESSAC MV 139 Modbus PID', 3);

INSERT INTO DeviceTypeText (DeviceType, CountryCode, Description) VALUES
    ('KESSAC MV 138', 1, 'Multivariable flow transmitter with computed mass and volume flow'),
    ('KESSAC MV 138', 49, 'Multivariabler Durchfluss-Messumformer mit berechnetem Massen- und Volumendurchfluss'),
    ('KESSAC DP 138', 1, 'Differential pressure transmitter with static pressure'),
    ('KESSAC DP 138', 49, 'Differenzdruck-Messumformer mit statischem Druck'),
    ('KESSAC MV 139 Modbus PID', 1, 'Multivariable transmitter with Modbus interface and PID controller'),
    ('KESSAC MV 139 Modbus PID', 49, 'Multivariabler Messumformer mit Modbus-Schnittstelle und PID-Regler');

-- Besides what every HART device of the family gets (HartItems.sql): a
-- square-root output, as a flow transmitter is mostly used.
INSERT INTO GeneralData (ObjectName, ObjectValue) VALUES
    ('ptrbLinType', '1');

INSERT INTO DeviceTypeData (DeviceType, ObjectName, ObjectValue) VALUES
    ('KESSAC MV 138', 'pbMultivariableFunction', '1'),
    ('KESSAC MV 138', 'pbMeterOption', '5'),
    ('KESSAC MV 138', 'mvMediumType', '1'),
    ('KESSAC MV 138', 'mvOutMassFlowUnit', '75'),
    ('KESSAC MV 138', 'mvOutMassFlowMaxValue', '1000'),
    ('KESSAC DP 138', 'pbMultivariableFunction', '0'),
    ('KESSAC DP 138', 'pbMeterOption', '2'),
    ('KESSAC MV 139 Modbus PID', 'pbMultivariableFunction', '1'),
    ('KESSAC MV 139 Modbus PID', 'pbMeterOption', '6'),
    ('KESSAC MV 139 Modbus PID', 'pidModeBlkTarget', '128'),
    ('KESSAC MV 139 Modbus PID', 'pidOutScale0', '0'),
    ('KESSAC MV 139 Modbus PID', 'pidOutScale100', '100'),
    ('KESSAC MV 139 Modbus PID', 'pidOutScaleUnit', '57'),
    ('KESSAC MV 139 Modbus PID', 'pidFfScale0', '0'),
    ('KESSAC MV 139 Modbus PID', 'pidFfScale100', '100');
