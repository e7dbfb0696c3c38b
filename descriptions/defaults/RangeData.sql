-- Writes the item values of every measuring cell and static-pressure range of
-- a series from the working tables its data file filled (DefaultDatasets.sql).
-- A fact that is NULL (a cell without a damping of its own) writes no row.

-- The items every variant has: the sensor limits and minimum span as the
-- device reports them, the calibration points, the rated pressure and the
-- flow computation's inputs (its design state at the cell's full range); and the sensor temperature and the temperature
-- input of the flow computation, as the factory sets them on every device of
-- the family (the limits those of the simulated transmitter).
INSERT INTO temp.CellItem (ObjectName, Source) VALUES
    ('ptrbSensorLimitUnit', 'Unit'),
    ('ptrbLowerSensorLimit', 'Lower'),
    ('ptrbUpperSensorLimit', 'Upper'),
    ('ptrbMinSpan', 'MinSpan'),
    ('ptrbCalUnit', 'Unit'),
    ('ptrbCalPointLo', 'Zero'),
    ('ptrbCalPointHi', 'Upper'),
    ('mvInDPUnit', 'Unit'),
    ('mvInDpLoLim', 'Zero'),
    ('mvInDpHiLim', 'Upper'),
    ('mvDpr', 'Upper');

-- The static pressure's limits and minimum span come, as the device reports
-- them (command 129), in the unit of the cell's limits; its calibration
-- points, as the range, in the range's own unit.
INSERT INTO temp.StaticLimitItem (ObjectName, Source) VALUES
    ('ptrbStaticPressureLoLim', 'Zero'),
    ('ptrbStaticPressureHiLim', 'Upper'),
    ('ptrbStaticPressureMinSpan', 'MinSpan');

INSERT INTO temp.StaticItem (ObjectName, Source) VALUES
    ('ptrbStaticPressureCalPointLo', 'Zero'),
    ('ptrbStaticPressureCalPointHi', 'Upper'),
    ('ptrbRatedPressure', 'Upper'),
    ('mvInPUnit', 'Unit'),
    ('mvInPLoLim', 'Zero'),
    ('mvInPHiLim', 'Upper'),
    ('mvPr', 'Upper'),
    ('mvPrGUI', 'Upper');

-- The flow computation's design state, complete and valid for every cell:
-- water through an orifice plate with corner tappings, diameter ratio 0.5 in
-- a 100 mm pipe, at the cell's full differential pressure and the static
-- range's rated pressure (above), 20 C and a Reynolds number of 200000.
INSERT INTO GeneralData (ObjectName, ObjectValue) VALUES
    ('mvMediumType', '1'),
    ('mvBlendeDuese', '1'),
    ('mvBeta', '0.5'),
    ('mvReserved5', '100'),
    ('mvReserved6', '49'),
    ('mvh0', '250'),
    ('mvMolCO2', '250'),
    ('mvReDr', '200000'),
    ('mvTr', '20'),
    ('mvTrGUI', '20'),
    ('mvDensityUnit', '92'),
    ('mvRhor', '998.2'),
    ('mvRhorGUI', '998.2');

-- Every measuring cell of the family sits on the differential pressure
-- module: its type code as the device reports it (command 128), so that a
-- dataset made for a cell fits the device built with it (the simulated
-- transmitter is).
INSERT INTO GeneralData (ObjectName, ObjectValue) VALUES
    ('ptrbModulType', '20');

INSERT INTO GeneralData (ObjectName, ObjectValue) VALUES
    ('ptrbTemperatureValueUnit', '32'),
    ('ptrbTemperatureLoLim', '-40'),
    ('ptrbTemperatureHiLim', '85'),
    ('mvInTUnit', '32'),
    ('mvInTDefault', '20');

-- Every device type of a series is built with every cell of the series.
INSERT INTO PRange (DeviceType, Label, SortOrder)
    SELECT d.Label, c.Label, c.SortOrder FROM DeviceType d CROSS JOIN temp.Cell c;

INSERT INTO PstatRange (Label, SortOrder) SELECT Label, SortOrder FROM temp.StaticCell;

INSERT INTO PRangePstatRange (DeviceType, PRange, PstatRange)
    SELECT p.DeviceType, p.Label, l.StaticCell FROM PRange p JOIN temp.CellStatic l ON l.Cell = p.Label;

INSERT INTO PRangeData (DeviceType, PRange, ObjectName, ObjectValue)
    SELECT DeviceType, PRange, ObjectName, Value FROM (
        SELECT p.DeviceType AS DeviceType, p.Label AS PRange, i.ObjectName AS ObjectName,
               CASE i.Source
                   WHEN 'Zero' THEN '0'
                   WHEN 'Unit' THEN c.Unit
                   WHEN 'Lower' THEN c.Lower
                   WHEN 'Upper' THEN c.Upper
                   WHEN 'MinSpan' THEN c.MinSpan
                   WHEN 'Damping' THEN c.Damping
               END AS Value
        FROM PRange p JOIN temp.Cell c ON c.Label = p.Label CROSS JOIN temp.CellItem i)
    WHERE Value IS NOT NULL;

INSERT INTO PstatRangeData (PstatRange, ObjectName, ObjectValue)
    SELECT s.Label, i.ObjectName,
           CASE i.Source
               WHEN 'Zero' THEN '0'
               WHEN 'Unit' THEN s.Unit
               WHEN 'Upper' THEN s.Upper
               WHEN 'MinSpan' THEN s.MinSpan
           END
    FROM temp.StaticCell s CROSS JOIN temp.StaticItem i;

-- A number of a static-pressure range in the unit of the cell's limits: the
-- text itself where the units agree, else converted through Pascal (NULL,
-- which the table refuses, for a unit PressureUnit lacks).
INSERT INTO PRangePstatRangeData (DeviceType, PRange, PstatRange, ObjectName, ObjectValue)
    SELECT l.DeviceType, l.PRange, l.PstatRange, i.ObjectName,
           CASE
               WHEN i.Source = 'Zero' THEN '0'
               WHEN s.Unit = c.Unit THEN (CASE i.Source WHEN 'Upper' THEN s.Upper ELSE s.MinSpan END)
               ELSE printf('%.15g', CAST(CASE i.Source WHEN 'Upper' THEN s.Upper ELSE s.MinSpan END AS REAL)
                                    * (SELECT Pascal FROM temp.PressureUnit WHERE Unit = s.Unit)
                                    / (SELECT Pascal FROM temp.PressureUnit WHERE Unit = c.Unit))
           END
    FROM PRangePstatRange l
    JOIN temp.Cell c ON c.Label = l.PRange
    JOIN temp.StaticCell s ON s.Label = l.PstatRange
    CROSS JOIN temp.StaticLimitItem i;
