#pragma once

// CodexParser: the Codex session reader. A session is a "rollout-*.jsonl" file below the
// sessions folder. Unlike transcripts, a session's tokens, model and cost are settled once at
// the end of the file: the last token-count event and the last model named (else
// "gpt-5-codex"); its per-day figures land on the day of its last timestamped line.

#include "engine/Records.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace tavrik {

class ReadScratch;

namespace CodexParser {

// Returns the session files below root (names starting "rollout-", extension exactly
// "jsonl"), hidden entries skipped, in directory-walk order.
std::vector<std::string> findRollouts(const std::filesystem::path& root);

// Returns whether a file name is a session file's.
bool isRollout(std::string_view name);

// Reads one session file; an unreadable file, or one that is not valid UTF-8, gives the empty
// contribution.
FileContribution parseFile(const std::string& path, ReadScratch& scratch);

// Returns (added, removed) lines of an apply_patch text.
std::pair<std::int64_t, std::int64_t> linesFromPatch(std::string_view patch);

struct Aggregate {
    FileContribution contribution;  // perDay and editedFiles are not carried
    std::int64_t fileCount = 0;     // unreadable files included
};

// Folds every session file below root into one total.
Aggregate aggregateAll(const std::filesystem::path& root);

}  // namespace CodexParser
}  // namespace tavrik
