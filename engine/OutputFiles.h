// Output files are written under a temporary name and take their final name only when the
// task ends, so that an existing file of that name is never emptied by a task that never ran,
// was removed, stopped or failed.
#pragma once

#include <string>

// How a task's outputs end.
enum TOutputEnd {
  oeFinished,  // the run reached its end: the output replaces an existing file
  oeStopped,   // stopped by the user: kept only when no file of the final name exists
  oeFailed,    // ended with an error: as oeStopped
  oeDiscarded  // never ran (task removed or reset): the output is removed
};

// Creates an empty hidden file in the folder of `finalName`, named after it and created
// exclusively; returns its name. Throws FFmpegException "<finalName>: <error text>" when the
// final name could not be written (missing or read-only folder, a folder of that name, a
// read-only file of that name).
std::string CreateTempOutputFile(const std::string& finalName);

// Gives `tempName` the final name or removes it, as `end` says; an empty output is removed in
// every case. Writes a log line (with `sender`) when an output is not kept.
void SettleOutputFile(const std::string& tempName, const std::string& finalName, TOutputEnd end,
                      const void* sender);
