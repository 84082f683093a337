#include "look/obsfile.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <memory>
#include <string_view>

#include "look/messages.h"
#include "os/os.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {

namespace {

constexpr std::size_t kChunk = std::size_t{1} << 20;
// No record is longer than 123 characters: a line longer than this is cut
// there and reported as too long.
constexpr std::size_t kLongest = 4096;

// A field of a record: what it holds, where it stands (from 0), its width,
// and its digits (0 for an integer field).
struct Field {
  const char* what;
  std::size_t at;
  int width;
  int digits;
};

// A one-character field and the characters it may hold. Every letter of a
// record stands between two blanks.
struct Letter {
  const char* what;
  std::size_t at;
  const char* allowed;
};

// A record: its name in the messages, and its length.
struct Record {
  const char* what;
  std::size_t length;
};

constexpr Record kCountLine{"the count line", 5};
constexpr Record kPositionLine{"a position line", 39};
constexpr Record kFreqLine{"a frequency line", 18};
constexpr Record kTxLine{"a transmitter line", 31};

constexpr Field kCount{"the number of sounding blocks (an integer of at least 0)", 0, 5, 0};
constexpr Field kX{"the x coordinate (a real number)", 0, 17, 9};
constexpr Field kY{"the y coordinate (a real number)", 17, 17, 9};
constexpr Field kNfreqs{"the number of frequencies (an integer of at least 0)", 34, 5, 0};
constexpr Field kHz{"the frequency (a real number)", 0, 13, 5};
constexpr Field kNcols{"the number of columns of the frequency (an integer of at least 0)", 13, 5,
                       0};
constexpr Field kMoment{"the transmitter moment (a real number)", 0, 13, 5};
constexpr Field kTxHeight{"the height (a real number)", 13, 13, 5};
constexpr Letter kTxOrientation{"the transmitter orientation (x, y or z)", 27, "xXyYzZ"};
constexpr Field kTxOne{"the integer 1", 29, 2, 0};
constexpr Field kDataOne{"the real number 1.0", 0, 13, 5};
constexpr Field kSepX{"the x separation (a real number)", 13, 13, 5};
constexpr Field kSepY{"the y separation (a real number)", 26, 13, 5};
constexpr std::size_t kDataHeight = 39;
constexpr std::size_t kHeightWidth = 13;
constexpr Letter kRxOrientation{"the receiver orientation (x, y or z)", 53, "xXyYzZ"};
constexpr Field kNormalization{"the normalization type (an integer)", 55, 2, 0};
constexpr std::size_t kLetterAt = 58;
constexpr std::size_t kPairedLen = 123;
constexpr std::size_t kSingleLen = 93;
constexpr Field kInphase{"the in-phase value (a real number)", 60, 15, 7};
constexpr Field kQuadrature{"the quadrature value (a real number)", 75, 15, 7};
constexpr Letter kPairedV{"the letter v", 91, "v"};
constexpr Field kInphaseError{"the in-phase uncertainty (a real number)", 93, 15, 7};
constexpr Field kQuadratureError{"the quadrature uncertainty (a real number)", 108, 15, 7};
constexpr Field kValue{"the value (a real number)", 60, 15, 7};
constexpr Letter kSingleV{"the letter v", 76, "v"};
constexpr Field kError{"the uncertainty (a real number)", 78, 15, 7};

// The file, cut into lines that end in CR LF, with the number of the last
// line taken.
struct Reader {
  std::string name;
  os::Handle h = os::kNoHandle;
  std::unique_ptr<char[]> buf;
  std::size_t begin = 0;
  std::size_t end = 0;
  bool eof = false;
  std::int64_t line = 0;
  std::size_t blocks_read = 0;
  std::size_t blocks_counted = 0;

  Reader() = default;
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;
  ~Reader() { os::close(h); }
};

// The stop for a file that is not an observations file, with the line that
// says what was expected at line r.line, character `column` (from 1).
[[noreturn]] void bad(const Reader& r, std::size_t column, const std::string& what) {
  estop(text(LookMsg::not_observations, {r.name}), place(r.name, r.line, column, what));
}

// A count or a position put into a line on standard error.
std::string count_text(std::size_t n) {
  return number_text(static_cast<std::int32_t>(n));
}

void fill(Reader& r) {
  if (r.begin > 0) {
    std::memmove(r.buf.get(), r.buf.get() + r.begin, r.end - r.begin);
    r.end -= r.begin;
    r.begin = 0;
  }
  const std::int64_t got = os::read(r.h, r.buf.get() + r.end, kChunk - r.end);
  if (got < 0) estop(text(LookMsg::cannot_read, {r.name}));
  if (got == 0) r.eof = true;
  r.end += static_cast<std::size_t>(got);
}

// The next line without its CR LF; false at the end of the file.
bool next_line(Reader& r, std::string_view& rec) {
  for (;;) {
    const char* s = r.buf.get() + r.begin;
    const std::size_t avail = r.end - r.begin;
    const void* lf = std::memchr(s, '\n', avail < kLongest ? avail : kLongest);
    if (lf) {
      const auto len = static_cast<std::size_t>(static_cast<const char*>(lf) - s);
      ++r.line;
      if (len == 0 || s[len - 1] != '\r') bad(r, len + 1, text(LookMsg::line_end));
      rec = std::string_view(s, len - 1);
      r.begin += len + 1;
      return true;
    }
    if (avail >= kLongest) {
      ++r.line;
      bad(r, 1, text(LookMsg::too_long));
    }
    if (r.eof) {
      if (avail == 0) return false;
      ++r.line;
      bad(r, avail + 1, text(LookMsg::line_end));
    }
    fill(r);
  }
}

// The next line, which must be there: `what` names the record expected.
std::string_view expect_line(Reader& r, const Record& what) {
  std::string_view rec;
  if (!next_line(r, rec)) {
    ++r.line;
    bad(r, 0,
        text(LookMsg::file_ends,
             {what.what, count_text(r.blocks_read), count_text(r.blocks_counted)}));
  }
  return rec;
}

void expect_length(const Reader& r, std::string_view rec, const Record& what) {
  if (rec.size() == what.length) return;
  bad(r, (rec.size() < what.length ? rec.size() : what.length) + 1,
      text(LookMsg::length, {what.what, count_text(what.length), count_text(rec.size())}));
}

[[noreturn]] void bad_field(const Reader& r, std::string_view rec, std::size_t at,
                            std::size_t width, const char* what) {
  bad(r, at + 1,
      text(LookMsg::field,
           {what, count_text(at + 1), count_text(at + width), quoted_text(rec.substr(at, width))}));
}

std::string_view unpadded(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

// A field's value. The field must be exactly what its value renders to, so
// that writing the value again gives the same characters.
float real_field(const Reader& r, std::string_view rec, const Field& f) {
  const auto w = static_cast<std::size_t>(f.width);
  const std::string_view text = rec.substr(f.at, w);
  const std::string_view t = unpadded(text);
  float v = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  char again[17];
  if (t.empty() || ec != std::errc() || end != t.data() + t.size() ||
      std::memcmp(put_general(again, f.width, f.digits, v) - w, text.data(), w) != 0) {
    bad_field(r, rec, f.at, w, f.what);
  }
  return v;
}

std::int32_t int_field(const Reader& r, std::string_view rec, const Field& f, std::int32_t least) {
  const auto w = static_cast<std::size_t>(f.width);
  const std::string_view text = rec.substr(f.at, w);
  const std::string_view t = unpadded(text);
  std::int32_t v = 0;
  const auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
  char again[11];
  if (t.empty() || ec != std::errc() || end != t.data() + t.size() || v < least ||
      std::memcmp(put_int(again, f.width, v) - w, text.data(), w) != 0) {
    bad_field(r, rec, f.at, w, f.what);
  }
  return v;
}

char letter(const Reader& r, std::string_view rec, const Letter& l) {
  const char c = rec[l.at];
  if (c == '\0' || !std::strchr(l.allowed, c)) bad_field(r, rec, l.at, 1, l.what);
  return c;
}

// A letter and the blanks on either side of it, read from left to right.
char spaced_letter(const Reader& r, std::string_view rec, const Letter& l) {
  letter(r, rec, Letter{"a blank", l.at - 1, " "});
  const char c = letter(r, rec, l);
  letter(r, rec, Letter{"a blank", l.at + 1, " "});
  return c;
}

// A line of a later block must be the line of the first block outside the
// fields that change from block to block (`varying`, in increasing order).
void same_as_first(const Reader& r, std::string_view rec, std::string_view first,
                   std::initializer_list<Field> varying) {
  if (rec.size() != first.size()) {
    bad(r, (rec.size() < first.size() ? rec.size() : first.size()) + 1,
        text(LookMsg::length_as_in_first, {count_text(first.size()), count_text(rec.size())}));
  }
  std::size_t from = 0;
  const auto compare = [&](std::size_t to) {
    if (std::memcmp(rec.data() + from, first.data() + from, to - from) == 0) return;
    std::size_t i = from;
    while (rec[i] == first[i]) ++i;
    bad(r, i + 1,
        text(LookMsg::as_in_first, {quoted_text(first.substr(i)), quoted_text(rec.substr(i))}));
  };
  for (const Field& f : varying) {
    compare(f.at);
    from = f.at + static_cast<std::size_t>(f.width);
  }
  compare(rec.size());
}

// The height field of a line other than the block's first transmitter line:
// the same text as there.
void same_height(const Reader& r, std::string_view rec, std::size_t at, std::string_view height) {
  if (std::memcmp(rec.data() + at, height.data(), kHeightWidth) == 0) return;
  bad(r, at + 1,
      text(LookMsg::height, {quoted_text(height), quoted_text(rec.substr(at, kHeightWidth))}));
}

// The layout of the first block: its lines, against which the lines of the
// later blocks are compared.
struct FirstBlock {
  std::string position;
  std::vector<std::string> freq_lines;
  std::vector<std::string> tx_lines;
  std::vector<std::string> data_lines;
};

std::string_view data_line(Reader& r, ObsColumn& c, bool first) {
  const std::string_view rec = expect_line(r, Record{"a data line", kPairedLen});
  if (rec.size() != kPairedLen && rec.size() != kSingleLen) {
    bad(r, (rec.size() < kPairedLen ? rec.size() : kPairedLen) + 1,
        text(LookMsg::data_length, {count_text(rec.size())}));
  }
  if (!first) return rec;
  const bool paired = rec.size() == kPairedLen;
  if (real_field(r, rec, kDataOne) != 1.0f) bad_field(r, rec, kDataOne.at, 13, kDataOne.what);
  c.sep_x = real_field(r, rec, kSepX);
  c.sep_y = real_field(r, rec, kSepY);
  c.rx_orientation = spaced_letter(r, rec, kRxOrientation);
  c.normalization = int_field(r, rec, kNormalization, -9);
  c.letter = spaced_letter(
      r, rec,
      paired ? Letter{"the letter b (both components, 123 characters)", kLetterAt, "b"}
             : Letter{"i, I, q or Q (one component, 93 characters)", kLetterAt, "iIqQ"});
  c.form = paired                               ? DataForm::paired
           : c.letter == 'i' || c.letter == 'I' ? DataForm::inphase
                                                : DataForm::quadrature;
  spaced_letter(r, rec, paired ? kPairedV : kSingleV);
  return rec;
}

void data_values(const Reader& r, std::string_view rec, DataForm form, Cplx& dat, Cplx& err) {
  switch (form) {
    case DataForm::paired:
      dat = {real_field(r, rec, kInphase), real_field(r, rec, kQuadrature)};
      err = {real_field(r, rec, kInphaseError), real_field(r, rec, kQuadratureError)};
      break;
    case DataForm::inphase:
      dat = {real_field(r, rec, kValue), 0};
      err = {real_field(r, rec, kError), 0};
      break;
    case DataForm::quadrature:
      dat = {0, real_field(r, rec, kValue)};
      err = {0, real_field(r, rec, kError)};
      break;
  }
}

// Reads block b; the first block also gives the layout of every block.
void read_block(Reader& r, ObsFile& o, FirstBlock& fb, std::size_t b) {
  const bool first = b == 0;
  std::string_view rec = expect_line(r, kPositionLine);
  if (first) {
    expect_length(r, rec, kPositionLine);
    fb.position.assign(rec);
  } else {
    same_as_first(r, rec, fb.position, {kX, kY});
  }
  o.x.push_back(real_field(r, rec, kX));
  o.y.push_back(real_field(r, rec, kY));
  std::size_t nfreqs = fb.freq_lines.size();
  if (first) nfreqs = static_cast<std::size_t>(int_field(r, rec, kNfreqs, 0));

  std::string height;  // the height text of the block's first transmitter line
  float z = 0;
  std::size_t column = 0;
  for (std::size_t k = 0; k < nfreqs; ++k) {
    rec = expect_line(r, kFreqLine);
    std::size_t ncols = 0;
    if (first) {
      expect_length(r, rec, kFreqLine);
      ObsFrequency f;
      f.hz = real_field(r, rec, kHz);
      ncols = static_cast<std::size_t>(int_field(r, rec, kNcols, 0));
      f.begin = o.columns.size();
      f.end = f.begin + ncols;
      o.freqs.push_back(f);
      o.columns.resize(f.end);
      fb.freq_lines.emplace_back(rec);
    } else {
      same_as_first(r, rec, fb.freq_lines[k], {});
      ncols = o.freqs[k].end - o.freqs[k].begin;
    }
    for (std::size_t j = 0; j < ncols; ++j, ++column) {
      ObsColumn& c = o.columns[column];
      rec = expect_line(r, kTxLine);
      if (first) {
        expect_length(r, rec, kTxLine);
        c.moment = real_field(r, rec, kMoment);
        c.tx_orientation = spaced_letter(r, rec, kTxOrientation);
        if (int_field(r, rec, kTxOne, 1) != 1) bad_field(r, rec, kTxOne.at, 2, kTxOne.what);
        fb.tx_lines.emplace_back(rec);
      } else {
        same_as_first(r, rec, fb.tx_lines[column], {kTxHeight});
      }
      if (height.empty()) {
        z = real_field(r, rec, kTxHeight);
        height.assign(rec.substr(kTxHeight.at, kHeightWidth));
      } else {
        same_height(r, rec, kTxHeight.at, height);
      }

      rec = data_line(r, c, first);
      if (first) {
        fb.data_lines.emplace_back(rec);
      } else if (c.form == DataForm::paired) {
        same_as_first(r, rec, fb.data_lines[column],
                      {Field{"", kDataHeight, 13, 5}, kInphase, kQuadrature, kInphaseError,
                       kQuadratureError});
      } else {
        same_as_first(r, rec, fb.data_lines[column],
                      {Field{"", kDataHeight, 13, 5}, kValue, kError});
      }
      same_height(r, rec, kDataHeight, height);
      Cplx dat{0, 0};
      Cplx err{0, 0};
      data_values(r, rec, c.form, dat, err);
      o.dat.push_back(dat);
      o.err.push_back(err);
    }
  }
  o.z.push_back(z);
}

}  // namespace

ObsFile read_observations(const std::string& name) {
  Reader r;
  r.name = name;
  if (!os::exists(name)) estop(text(LookMsg::not_found, {name}));
  if (os::open_read(name, r.h) != os::OpenStatus::ok) {
    estop(text(LookMsg::cannot_open, {name}));
  }
  r.buf = std::make_unique<char[]>(kChunk);

  ObsFile o;
  std::string_view rec;
  if (!next_line(r, rec)) {
    r.line = 1;
    bad(r, 0, text(LookMsg::empty_file));
  }
  expect_length(r, rec, kCountLine);
  r.blocks_counted = static_cast<std::size_t>(int_field(r, rec, kCount, 0));
  o.x.reserve(r.blocks_counted);
  o.y.reserve(r.blocks_counted);
  o.z.reserve(r.blocks_counted);

  FirstBlock fb;
  for (std::size_t b = 0; b < r.blocks_counted; ++b) {
    read_block(r, o, fb, b);
    r.blocks_read = b + 1;
    if (b == 0) {
      // Room for what the count line promises, within what a file of a
      // few hundred megabytes can hold: a false count costs no memory.
      const std::size_t values =
          std::min(r.blocks_counted * o.columns.size(), std::size_t{1} << 23);
      o.dat.reserve(values);
      o.err.reserve(values);
    }
  }
  o.blocks = r.blocks_read;
  if (next_line(r, rec)) {
    bad(r, 1, text(LookMsg::lines_after, {count_text(r.blocks_counted)}));
  }
  return o;
}

}  // namespace kivo
