#include "host/decoder/printed_paper.h"

#include <stdexcept>

namespace brimloft::host {

bool Paper::Dot(std::size_t x, std::size_t y) const {
  auto above = std::upper_bound(ink.begin(), ink.end(), y,
                                [](std::size_t row, const InkedRows& r) { return row < r.top; });
  // The runs that may hold row y start at most one band above it.
  while (above != ink.begin() && std::prev(above)->top + kOverlap > y) --above;
  if (above != ink.begin()) --above;
  for (auto k = std::size_t(above - ink.begin()); k < ink.size() && ink[k].top <= y; ++k) {
    const InkedRows& run = ink[k];
    if (y < run.end() && x < 8 * run.rowBytes && (run.Row(y)[x / 8] & (0x80u >> (x % 8))) != 0) return true;
  }
  return false;
}

void Paper::OrRow(std::size_t y, std::size_t& from, std::uint8_t* row, std::size_t rowBytes) const {
  // A run ends at most one band below the next run's top, so one whose successor starts a band or
  // more above y is done with.
  while (from + 1 < ink.size() && ink[from + 1].top + kOverlap <= y) ++from;
  for (std::size_t k = from; k < ink.size() && ink[k].top <= y; ++k) {
    const InkedRows& run = ink[k];
    if (y >= run.end()) continue;
    const std::uint8_t* bits = run.Row(y);
    for (std::size_t i = 0; i < std::min(run.rowBytes, rowBytes); ++i) row[i] |= bits[i];
  }
}

std::size_t Paper::StoredBytes() const {
  std::size_t bytes = ink.capacity() * sizeof(InkedRows) + cuts.capacity() * sizeof(Cut);
  for (const InkedRows& run : ink) bytes += run.bits.capacity();
  return bytes;
}

PaperBuilder::Span PaperBuilder::Print(std::size_t top, std::size_t rows, std::size_t rowBytes) {
  if (rows == 0 || rowBytes == 0) throw std::logic_error("PaperBuilder::Print: no rows to print");
  if (top < row_) throw std::logic_error("PaperBuilder::Print: rows above the current row");
  std::vector<InkedRows>& ink = paper_.ink;
  // Rows that follow the last run at its width, and rows over it no wider than it, join it (rows
  // over it are ORed in). Anything else starts a run: blank rows are never stored, a narrow band is
  // not stored as wide as its neighbours, and nothing stored is ever copied or widened.
  const bool over = !ink.empty() && top < ink.back().end() && rowBytes <= ink.back().rowBytes;
  const bool follows = !ink.empty() && top == ink.back().end() && ink.back().rowBytes == rowBytes;
  if (!over && !follows) {
    ink.push_back({top, rowBytes, std::vector<std::uint8_t>(rows * rowBytes, 0)});
    return {ink.back().bits.data(), rowBytes};
  }
  InkedRows& last = ink.back();
  if (top + rows > last.end()) last.bits.resize((top + rows - last.top) * last.rowBytes, 0);
  return {last.bits.data() + (top - last.top) * last.rowBytes, last.rowBytes};
}

Paper PaperBuilder::Finish(std::size_t width) {
  paper_.width = width;
  paper_.height = row_;
  for (const InkedRows& run : paper_.ink) paper_.height = std::max(paper_.height, run.end());
  return std::move(paper_);
}

}  // namespace brimloft::host
