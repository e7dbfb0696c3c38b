-- Default datasets of the Trivex series (device type 137), PROFIBUS PA.
-- The 250 mbar cell and the 160 bar static-pressure range are those the
-- simulated transmitter is built with (sim/DeviceState.cpp).

INSERT INTO DeviceType (Label, SortOrder) VALUES
    ('TRIVEX MV 137 PA', 1),
    ('TRIVEX DP 137 PA', 2);

INSERT INTO DeviceTypeText (DeviceType, CountryCode, Description) VALUES
    ('TRIVEX MV 137 PA', 1, 'Multivariable transmitter for PROFIBUS PA: differential pressure, static pressure, temperature and computed flow'),
    ('TRIVEX MV 137 PA', 49, 'Multivariabler Messumformer für PROFIBUS PA: Differenzdruck, statischer Druck, Temperatur und berechneter Durchfluss'),
    ('TRIVEX DP 137 PA', 1, 'Differential pressure transmitter for PROFIBUS PA'),
    ('TRIVEX DP 137 PA', 49, 'Differenzdruck-Messumformer für PROFIBUS PA');

-- Measuring cells: unit 8 mbar, 7 bar; limits, minimum span and filter time (s).
INSERT INTO temp.Cell (Label, SortOrder, Unit, Lower, Upper, MinSpan, Damping) VALUES
    ('25 mbar', 1, '8', '-25', '25', '1', '1.6'),
    ('250 mbar', 2, '8', '-250', '250', '5', NULL),
    ('2.5 bar', 3, '7', '-2.5', '2.5', '0.05', NULL);

INSERT INTO temp.StaticCell (Label, SortOrder, Unit, Upper, MinSpan) VALUES
    ('40 bar', 1, '7', '40', '0.5'),
    ('160 bar', 2, '7', '160', '1');

INSERT INTO temp.CellStatic (Cell, StaticCell) VALUES
    ('25 mbar', '40 bar'), ('25 mbar', '160 bar'),
    ('250 mbar', '40 bar'), ('250 mbar', '160 bar'),
    ('2.5 bar', '160 bar');

-- Besides what every fieldbus device of the family gets (FieldbusItems.sql):
-- the address a new PROFIBUS device answers at.
INSERT INTO GeneralData (ObjectName, ObjectValue) VALUES
    ('pbBusAddressProfi', '126');

INSERT INTO DeviceTypeData (DeviceType, ObjectName, ObjectValue) VALUES
    ('TRIVEX MV 137 PA', 'pbMultivariableFunction', '1'),
    ('TRIVEX MV 137 PA', 'mvMediumType', '1'),
    ('TRIVEX MV 137 PA', 'mvOutVolFlowUnit', '19'),
    ('TRIVEX DP 137 PA', 'pbMultivariableFunction', '0');
