#pragma once

// The engine kind of the ambient power correction: bit 0 set for an engine
// with forced induction, bit 1 for a diesel. The project model derives it from
// a project's fuel and boost types.
enum PowerCorrectionEngineType : int {
    EngineNaturallyAspirated = 0,
    EngineCharged = 1,
    EngineDiesel = 2,
    EngineChargedDiesel = 3
};
