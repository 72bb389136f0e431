#pragma once

// The x channel of the analysis main graph, and of a run file's preview
// curves ("masterChannelId" in "/previewData"). Stored: never renumber.
enum MainGraphMasterChannel : int {
    MainGraphMasterChannel_engineSpeed = 0,
    MainGraphMasterChannel_roadSpeed = 1,
    MainGraphMasterChannel_time = 2
};
