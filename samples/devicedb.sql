-- The sample device database shipped with Tessaro, built into KorvoDEV.dbr at build time.
-- Device 1 is a panel that takes every area and type the importers ask for; device 2 is
-- a small one without markers, timers or counters, its names written the way older
-- databases hold them (other letter case, surrounding blanks).
CREATE TABLE DeviceDataArea (DeviceId INTEGER, DeviceDataAreaId INTEGER, Name TEXT);
CREATE TABLE DeviceDataType (DeviceId INTEGER, DeviceDataAreaId INTEGER, DeviceDataTypeId INTEGER, Name TEXT);

INSERT INTO DeviceDataArea VALUES (1, 1, 'DBW');
INSERT INTO DeviceDataArea VALUES (1, 2, 'Merker');
INSERT INTO DeviceDataArea VALUES (1, 3, 'Input');
INSERT INTO DeviceDataArea VALUES (1, 4, 'Output');
INSERT INTO DeviceDataArea VALUES (1, 5, 'Timer');
INSERT INTO DeviceDataArea VALUES (1, 6, 'Counter');
INSERT INTO DeviceDataType VALUES (1, 1, 10, 'Byte');
INSERT INTO DeviceDataType VALUES (1, 1, 11, 'Word');
INSERT INTO DeviceDataType VALUES (1, 1, 12, 'DWord');
INSERT INTO DeviceDataType VALUES (1, 1, 13, 'Floating point');
INSERT INTO DeviceDataType VALUES (1, 1, 14, 'String');
INSERT INTO DeviceDataType VALUES (1, 1, 15, 'Timer 1/100 sec.');
INSERT INTO DeviceDataType VALUES (1, 1, 16, 'Timer 1/10 sec.');
INSERT INTO DeviceDataType VALUES (1, 1, 17, 'Timer 1 sec.');
INSERT INTO DeviceDataType VALUES (1, 1, 18, 'Timer 10 sec.');
INSERT INTO DeviceDataType VALUES (1, 2, 20, 'Byte');
INSERT INTO DeviceDataType VALUES (1, 2, 21, 'Word');
INSERT INTO DeviceDataType VALUES (1, 2, 22, 'DWord');
INSERT INTO DeviceDataType VALUES (1, 3, 30, 'Byte');
INSERT INTO DeviceDataType VALUES (1, 3, 31, 'Word');
INSERT INTO DeviceDataType VALUES (1, 3, 32, 'DWord');
INSERT INTO DeviceDataType VALUES (1, 4, 40, 'Byte');
INSERT INTO DeviceDataType VALUES (1, 4, 41, 'Word');
INSERT INTO DeviceDataType VALUES (1, 4, 42, 'DWord');
INSERT INTO DeviceDataType VALUES (1, 5, 50, 'Timer');
INSERT INTO DeviceDataType VALUES (1, 6, 60, 'Counter');

INSERT INTO DeviceDataArea VALUES (2, 101, ' dbw ');
INSERT INTO DeviceDataArea VALUES (2, 103, 'INPUT');
INSERT INTO DeviceDataArea VALUES (2, 104, 'Output');
INSERT INTO DeviceDataType VALUES (2, 101, 1001, 'byte');
INSERT INTO DeviceDataType VALUES (2, 101, 1002, 'WORD ');
INSERT INTO DeviceDataType VALUES (2, 101, 1003, 'Dword');
INSERT INTO DeviceDataType VALUES (2, 101, 1004, 'floating point');
INSERT INTO DeviceDataType VALUES (2, 103, 1031, 'Byte');
INSERT INTO DeviceDataType VALUES (2, 104, 1041, 'Byte');
