// Draws printed paper as a PNG, row by row, so that a paper of millions of rows never needs more
// memory than one row of the picture.
#ifndef BRIMLOFT_HOST_PAPER_PNG_H
#define BRIMLOFT_HOST_PAPER_PNG_H

#include <string>

#include "host/decoder/printed_paper.h"

namespace brimloft::host {

// White paper as wide as the head, black dots, full cuts as a red and partial cuts as a blue dashed
// line across the paper; dots past the head's width on grey. Throws HostError saying why
// when the file cannot be written.
void WritePaperPng(const Paper& paper, const std::string& path);

}  // namespace brimloft::host

#endif
