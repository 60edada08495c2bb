#pragma once

namespace bench {

// Measures the journal search on the open journal: the first build of its index, the index's
// size, queries of three and more and of one or two characters (the count and the first screen
// of hits) and the index update after a save. Prints one "name value" line per figure.
void measureSearch();
// The memory that the search window adds, with a query answered.
void measureSearchWindowMemory();

} // namespace bench
