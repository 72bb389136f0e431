#pragma once

// Bits of a table model field: what the views and the configurator may do with it.
enum TableFieldFlag : int {
    FieldNoFlags = 0,
    // Never shown in a table, never offered for report tags or configuration.
    FieldInternal = 1,
    // Shown in the row editor; new records take its default value.
    FieldInEditor = 2,
    // The user cannot hide the column.
    FieldAlwaysVisible = 4,
    // The program set the visibility (dyno type); the user cannot change it.
    FieldVisibilityForced = 8
};
