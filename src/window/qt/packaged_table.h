#pragma once

// Where the Qt build packages the stroke table: the resource of data/stroke-table.qrc.
inline constexpr char kStrokeTableResource[] = ":/CUSTOM/100";
