#pragma once

// Each file registers its benchmarks with the framework and the rows they feed in the table.

namespace tarvolin::bench {

class Corpus;
class Table;

void registerStartupCases(Corpus &corpus, Table &table);
void registerParseCases(Corpus &corpus, Table &table);
void registerHandlerCases(Corpus &corpus, Table &table);
void registerStoreCases(Corpus &corpus, Table &table);

// The memory and stress cases run in fresh processes of this program, so that earlier cases
// do not raise the peak they measure. runProbe is the child's side (argument "--memory" or
// "--stress"); addProbeRows starts the children and adds their rows.
int runProbe(const char *mode);
void addProbeRows(Table &table);

} // namespace tarvolin::bench
