#pragma once

// Where the Windows build packages the stroke table: data/stroke-table.rc.
inline constexpr char kStrokeTableResource[] = "CUSTOM 100";
