# The Windows program itself comes with the Win32 front end; until then the Windows build
# holds the stroke core, its loader and the core's tests.
