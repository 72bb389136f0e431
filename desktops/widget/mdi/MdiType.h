#pragma once

enum MdiType : int { MdiType_run = 0, MdiType_analyze = 1 };
