// A job's -o options against the printer's description, checked before anything is printed: a
// wrong name or value is answered with the valid ones and, when one is close, the nearest.
#ifndef BRIMLOFT_HOST_OPTIONS_OPTION_CHECK_H
#define BRIMLOFT_HOST_OPTIONS_OPTION_CHECK_H

#include "host/host_namespace.h"

#include <map>
#include <string>
#include <vector>

#include "platform/printer_description.h"

namespace brimloft::host {

// Throws HostError (E_INVALIDARG): a feature the printer lacks, a value its feature lacks, an
// integer parameter out of its range. The message names the valid features or values.
void CheckOptions(const platform::PrinterDescription& printer, const std::map<std::string, std::string>& options);

// "feature QVDither has no value Floyd; did you mean FloydSteinberg? (its values: None,
// FloydSteinberg, 2x2, 4x4)": the words for a value the feature lacks, wherever it was asked for.
std::string NoSuchValue(const platform::PrinterFeature& feature, const std::string& value);

// The candidate that word is close enough to have meant, case ignored: the only one that begins
// with word, else the nearest by edit distance when at most a third of word's length (at least
// one edit) apart. "" otherwise.
std::string Nearest(const std::string& word, const std::vector<std::string>& candidates);

}  // namespace brimloft::host

#endif
