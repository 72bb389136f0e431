#pragma once

// How a field of an SQL table model is stored and shown. The numbers are kept in
// customisation files and run files, so they never change.
enum SQLiteDataType : int {
    SQLiteBool = 1,
    SQLiteInteger = 2,
    SQLiteEnum = 3,
    SQLiteTimestamp = 4,
    SQLiteReal = 5,
    SQLiteVarchar = 6
};
