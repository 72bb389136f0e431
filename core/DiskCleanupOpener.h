#pragma once

// Opens the disk clean-up dialog registered with MySettings::setDiskCleanupOpener,
// when there is one (the database tools offer it beside the low-space warning).
void openRegisteredDiskCleanup();
