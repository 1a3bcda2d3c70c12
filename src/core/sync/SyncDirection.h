#pragma once

// The direction of a synchronisation run: an export copies from the project
// folders to the target folders, an import from the target folders to the
// project folders.
enum class SyncDirection { Export, Import };
