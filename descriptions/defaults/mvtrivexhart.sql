-- Default datasets of the Trivex series (device type 137), HART.
-- The 250 mbar cell and the 160 bar static-pressure range are those the
-- simulated transmitter is built with (sim/DeviceState.cpp).

INSERT INTO DeviceType (Label, SortOrder) VALUES
    ('TRIVEX MV 137', 1),
    ('TRIVEX DP 137', 2);

INSERT INTO DeviceTypeText (DeviceType, CountryCode, Description) VALUES
    ('TRIVEX MV 137', 1, 'Multivariable transmitter: differential pressure, static pressure, temperature and computed flow'),
    ('TRIVEX MV 137', 49, 'Multivariabler Messumformer: Differenzdruck, statischer Druck, Temperatur und berechneter Durchfluss'),
    ('TRIVEX DP 137', 1, 'Differential pressure transmitter with static pressure and sensor temperature'),
    ('TRIVEX DP 137', 49, 'Differenzdruck-Messumformer mit statischem Druck und Sensortemperatur');

-- Measuring cells: unit 8 mbar, 7 bar; limits, minimum span and damping (s).
INSERT INTO temp.Cell (Label, SortOrder, Unit, Lower, Upper, MinSpan, Damping) VALUES
    ('25 mbar', 1, '8', '-25', '25', '1', '1.6'),
    ('250 mbar', 2, '8', '-250', '250', '5', NULL),
    ('600 mbar (20'' H2O)', 3, '8', '-600', '600', '12', NULL),
    ('2.5 bar', 4, '7', '-2.5', '2.5', '0.05', NULL),
    ('30 bar', 5, '7', '-30', '30', '0.6', NULL);

INSERT INTO temp.StaticCell (Label, SortOrder, Unit, Upper, MinSpan) VALUES
    ('40 bar', 1, '7', '40', '0.5'),
    ('160 bar', 2, '7', '160', '1'),
    ('420 bar', 3, '7', '420', '4');

INSERT INTO temp.CellStatic (Cell, StaticCell) VALUES
    ('25 mbar', '40 bar'), ('25 mbar', '160 bar'),
    ('250 mbar', '40 bar'), ('250 mbar', '160 bar'), ('250 mbar', '420 bar'),
    ('600 mbar (20'' H2O)', '160 bar'), ('600 mbar (20'' H2O)', '420 bar'),
    ('2.5 bar', '160 bar'), ('2.5 bar', '420 bar'),
    ('30 bar', '420 bar');

-- Besides what every HART device of the family gets (HartItems.sql): the
-- output of the flow transmitter square-rooted, as its flow block in automatic
-- mode allows nothing else; that of the differential pressure transmitter linear.
INSERT INTO DeviceTypeData (DeviceType, ObjectName, ObjectValue) VALUES
    ('TRIVEX MV 137', 'ptrbLinType', '1'),
    ('TRIVEX DP 137', 'ptrbLinType', '0'),
    ('TRIVEX MV 137', 'pbMultivariableFunction', '1'),
    ('TRIVEX MV 137', 'pbMeterOption', '4'),
    ('TRIVEX MV 137', 'mvMediumType', '1'),
    ('TRIVEX MV 137', 'mvDefaultInpSel', '0'),
    ('TRIVEX MV 137', 'mvOutVolFlowUnit', '19'),
    -- The full-scale flow the calculation gives for the design state (HartItems.sql).
    ('TRIVEX MV 137', 'mvOutVolFlowMaxValue', '36.06492'),
    ('TRIVEX DP 137', 'pbMultivariableFunction', '0'),
    ('TRIVEX DP 137', 'pbMeterOption', '2');
