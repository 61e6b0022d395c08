// Keeps the panels library non-empty until its first panel arrives.
namespace trawlpanels_placeholder { int unused = 0; }
