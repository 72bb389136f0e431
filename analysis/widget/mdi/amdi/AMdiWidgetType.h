#pragma once

// The analysis widget kinds; the values are the type ids of ANALYZE desktop
// files and report tags: never renumber.
enum AMdiWidgetType : int {
    AMdiWidgetType_mainGraph = 0,
    AMdiWidgetType_userGraph = 1,
    AMdiWidgetType_resultTable = 2,
    AMdiWidgetType_colorMap = 3,
    AMdiWidgetType_xyTable = 4,
    AMdiWidgetType_image = 5
};

constexpr int AMdiWidgetTypeCount = 6;
