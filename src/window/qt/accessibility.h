#pragma once

// What Qt's own accessible interfaces leave out for this window: Form1 is a top-level
// window (a frame to a screen reader, not a filler) and Label1 a link whose action opens
// the address. Installing twice does no harm.
void installAccessibleInterfaces();
