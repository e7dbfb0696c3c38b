-- The PROFIBUS and FOUNDATION Fieldbus variants: the items that take the
-- facts of a measuring cell and of a static-pressure range besides those
-- every variant has (RangeData.sql): the transducer and output scales of the
-- analog input blocks (0 to the upper limit, in the cell's unit) and the
-- filter time of the differential pressure input; and what the factory sets
-- on every fieldbus device of the family: the filter times, the alarm
-- hysteresis and the temperature input's scale (the sensor's limits).

INSERT INTO temp.CellItem (ObjectName, Source) VALUES
    ('aidpXdScale0', 'Zero'),
    ('aidpXdScale100', 'Upper'),
    ('aiDPXdScaleUnitFF', 'Unit'),
    ('aiDPOutScale0', 'Zero'),
    ('aiDPOutScale100', 'Upper'),
    ('aiDPOutScaleUnit', 'Unit'),
    ('aiDPPvFtime', 'Damping');

INSERT INTO temp.StaticItem (ObjectName, Source) VALUES
    ('aipXdScale0', 'Zero'),
    ('aipXdScale100', 'Upper'),
    ('aiPXdScaleUnitFF', 'Unit'),
    ('aiPOutScale0', 'Zero'),
    ('aiPOutScale100', 'Upper'),
    ('aiPOutScaleUnit', 'Unit');

INSERT INTO GeneralData (ObjectName, ObjectValue) VALUES
    ('aiDPPvFtime', '0.4'),
    ('aiPPvFtime', '0.4'),
    ('aiTPvFtime', '1'),
    ('aiDPAlarmHys', '0.5'),
    ('aiTOutScaleUnit', '32'),
    ('aiTOutScale0', '-40'),
    ('aiTOutScale100', '85');
