// Reading only what a request needs of the question file: the lines that
// hold a keyword (DOMAIN_ALIAS) and the lines whose key may be a user's are
// found by probing a few bytes of each 16-byte stretch; the rest of the file
// is read but never split into lines. See question_file.h for the line kinds.
#pragma once

#include <string>
#include <string_view>

#include "RemoteSvr/question_file.h"

// Which lines a reader wants handed on. A line is handed on when it holds
// `keyword`, or when its key (the text before its first TAB) ends with
// `keySuffix` ignoring ASCII case, or holds a byte outside ASCII (whose
// lower-casing no byte test can follow). Other lines may be handed on too:
// the reader applies its own exact test.
struct CLineSieve {
  std::string keyword;    // empty: none
  std::string keySuffix;  // empty: no key is wanted
};

// The wanted lines of the file at `path`, in file order, split as
// ReadDatabaseLines splits (line ends, byte-order mark, lines longer than
// MAX_DATABASE_LINE skipped). When the trace level shows the file's traces,
// or the suffix is outside ASCII, that is ReadDatabaseLines itself, every
// line handed on and traced with `traceLines`. False, with no line, when the
// file cannot be opened or is not a regular file.
bool ReadWantedDatabaseLines(const std::string& path, bool traceLines, const CLineSieve& sieve,
                             const CLineSplitter::OnLine& onLine);

// The same, always by probing (never the plain reading): for tests, which
// hold it to the plain reading's answers.
bool ScanWantedDatabaseLines(const std::string& path, const CLineSieve& sieve, const CLineSplitter::OnLine& onLine);
