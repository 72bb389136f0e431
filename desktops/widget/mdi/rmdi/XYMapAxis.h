#pragma once

// The three channels of the live X-Y table: rows (left), columns (top) and
// the value shown in the cells.
enum XYMapAxis : int { XYMapAxis_rows = 0, XYMapAxis_columns = 1, XYMapAxis_value = 2 };
