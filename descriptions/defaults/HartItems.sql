-- The HART variants: the items that take the facts of a measuring cell and of
-- a static-pressure range besides those every variant has (RangeData.sql):
-- the range the factory sets (0 to the upper limit, in the cell's unit) and
-- the damping; and what the factory sets on every HART device of the family:
-- the output current's alarm and saturation currents (those the simulated
-- transmitter saturates at), damping, the sensor temperature unit and limits,
-- the converters' time constants and the flow cut-off; and the software
-- revision.

INSERT INTO temp.CellItem (ObjectName, Source) VALUES
    ('ptrbScaleInUnit', 'Unit'),
    ('ptrbScaleInUnit_21', 'Unit'),
    ('ptrbScaleIn0', 'Zero'),
    ('ptrbScaleIn100', 'Upper'),
    ('ptrbDamping', 'Damping');

INSERT INTO temp.StaticItem (ObjectName, Source) VALUES
    ('ptrbStaticPressureScaleInUnit', 'Unit'),
    ('ptrbStaticPressureScaleInUnit_21', 'Unit'),
    ('ptrbStaticPressureScaleIn0', 'Zero'),
    ('ptrbStaticPressureScaleIn100', 'Upper');

INSERT INTO GeneralData (ObjectName, ObjectValue) VALUES
    ('hartAlarmSelection', '0'),
    ('alarmSelectCodeCurr', '0'),
    ('highAlarmCurr', '21'),
    ('lowAlarmCurr', '3.6'),
    ('maxOutputCurr', '20.5'),
    ('minOutputCurr', '3.8'),
    ('ptrbDamping', '0.4'),
    ('ptrbTemperatureValueUnit_21', '32'),
    ('timeConstPADC', '0.1'),
    ('timeConstTADC', '1'),
    ('ptrbLowFlowCutOff', '5'),
    ('ptrbFlowLinSqrtPoint', '10');

-- The software revision the datasets are made for, that of the devices
-- delivered now (22, told by the extended revision, lowest octet first). A
-- dataset without one would be taken for an older device's, whose range units
-- the rules force to mbar in automatic mode when the project is opened.
INSERT INTO GeneralData (ObjectName, ObjectValue) VALUES
    ('pbSoftwareRevisionHART', '22'),
    ('pbSoftwareSpecHOLLEN', '16 00 00');
