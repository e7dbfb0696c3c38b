-- The measuring cells and static-pressure ranges of the Kessac series (device
-- types 138 and 139), the same on every bus. The 250 mbar cell and the
-- 160 bar static-pressure range are those the simulated transmitter is built
-- with (sim/DeviceState.cpp). Cells: unit 8 mbar, 7 bar; limits, minimum
-- span and damping (s).

INSERT INTO temp.Cell (Label, SortOrder, Unit, Lower, Upper, MinSpan, Damping) VALUES
    ('60 mbar', 1, '8', '-60', '60', '1.5', '0.8'),
    ('250 mbar', 2, '8', '-250', '250', '5', NULL),
    ('1 bar', 3, '7', '-1', '1', '0.02', NULL),
    ('5 bar', 4, '7', '-5', '5', '0.1', NULL);

INSERT INTO temp.StaticCell (Label, SortOrder, Unit, Upper, MinSpan) VALUES
    ('100 bar', 1, '7', '100', '1'),
    ('160 bar', 2, '7', '160', '1'),
    ('250 bar', 3, '7', '250', '2.5');

INSERT INTO temp.CellStatic (Cell, StaticCell) VALUES
    ('60 mbar', '100 bar'), ('60 mbar', '160 bar'),
    ('250 mbar', '100 bar'), ('250 mbar', '160 bar'), ('250 mbar', '250 bar'),
    ('1 bar', '160 bar'), ('1 bar', '250 bar'),
    ('5 bar', '250 bar');
