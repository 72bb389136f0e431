#pragma once

// The two fields of a characteristic point, also the rows of its table.
enum PointVectorField : int {
    PointVectorField_y = 0,
    PointVectorField_x = 1
};
