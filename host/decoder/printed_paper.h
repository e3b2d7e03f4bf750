// The paper a printer stream prints: as wide as the head, as long as the stream feeds it. Dots are
// kept one bit a dot and only for the rows a command printed, so that memory follows the stream's
// content and not the paper's length (a stream of feeds alone keeps nothing but its length).
#ifndef BRIMLOFT_HOST_PRINTED_PAPER_H
#define BRIMLOFT_HOST_PRINTED_PAPER_H

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace brimloft::host {

enum class CutKind { Full, Partial };

struct Cut {
  std::size_t row;  // the paper is cut above this row
  CutKind kind;
};

// Rows top to top + rows() - 1 of the paper, rowBytes bytes a row, a set bit a dot, the leftmost dot
// in the top bit of the first byte; columns past 8 * rowBytes are blank.
struct InkedRows {
  std::size_t top = 0;
  std::size_t rowBytes = 0;
  std::vector<std::uint8_t> bits;

  std::size_t rows() const { return bits.size() / rowBytes; }
  std::size_t end() const { return top + rows(); }
  const std::uint8_t* Row(std::size_t y) const { return bits.data() + (y - top) * rowBytes; }
};

struct Paper {
  std::size_t width = 0;       // dots across: the head's width
  std::size_t height = 0;      // rows down to the last row fed or printed
  std::size_t inkWidth = 0;    // one past the rightmost dot; more than width when dots miss the paper
  // Top to bottom. A run may reach into the next ones (a command printing over rows that an
  // earlier one printed), but never by more than one band: 24 rows past the next run's top.
  std::vector<InkedRows> ink;
  std::vector<Cut> cuts;

  static constexpr std::size_t kOverlap = 24;

  bool Dot(std::size_t x, std::size_t y) const;
  // ORs row y's dots into row (rowBytes bytes, leftmost dot in the top bit); from is the first run
  // that may hold it, moved on past runs above y, so that going down the paper row by row costs no
  // search.
  void OrRow(std::size_t y, std::size_t& from, std::uint8_t* row, std::size_t rowBytes) const;
  // What the dots and their bookkeeping take in memory.
  std::size_t StoredBytes() const;
};

// Lays out what a stream prints. Rows are printed at or below the current row, which only moves
// down, as on paper that only moves forward; a command prints at most one band below it.
class PaperBuilder {
 public:
  struct Span {
    std::uint8_t* first;  // row top
    std::size_t stride;   // bytes from one row to the next, at least the rowBytes asked for
  };

  // Makes rows top .. top + rows - 1 writable at rowBytes or more; new rows are blank. The caller
  // ORs its dots in and reports the rightmost with Ink. rows must be at least 1.
  Span Print(std::size_t top, std::size_t rows, std::size_t rowBytes);
  void Ink(std::size_t rightmostDot) { paper_.inkWidth = std::max(paper_.inkWidth, rightmostDot + 1); }
  std::size_t inkWidth() const { return paper_.inkWidth; }
  void Feed(std::size_t rows) { row_ += rows; }
  std::size_t row() const { return row_; }
  void AddCut(CutKind kind) { paper_.cuts.push_back({row_, kind}); }

  // The paper, width dots wide.
  Paper Finish(std::size_t width);

 private:
  Paper paper_;
  std::size_t row_ = 0;
};

}  // namespace brimloft::host

#endif
