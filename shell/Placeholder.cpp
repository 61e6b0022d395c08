// Keeps the library non-empty until the shell's own units arrive.
namespace trawlui_placeholder { int unused = 0; }
