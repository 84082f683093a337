// Console records and buffered text files for writing.
#include "textio/writer.h"

#include <cstring>
#include <utility>

#include "os/os.h"
#include "textio/messages.h"
#include "textio/stop.h"

namespace kivo {

namespace {

constexpr std::size_t kBufferSize = std::size_t{1} << 20;

// Writes the buffered bytes. After the first failure the file is marked
// failed and later data is dropped: the run is going to stop on it anyway.
void flush(WriteFile& f) {
  if (f.len > 0 && !f.failed && !os::write_all(f.fd, f.buf.get(), f.len)) f.failed = true;
  f.len = 0;
}

// Writes what is buffered, closes the descriptor and releases the buffer.
void finish(WriteFile& f) {
  if (f.fd < 0) return;
  flush(f);
  if (!os::close(f.fd)) f.failed = true;
  f.fd = -1;
  f.buf.reset();
  f.cap = 0;
}

void show_line(std::FILE* console, std::string_view lead, std::string_view text) {
  if (!lead.empty()) std::fwrite(lead.data(), 1, lead.size(), console);
  if (!text.empty()) std::fwrite(text.data(), 1, text.size(), console);
  const std::string_view end = os::console_line_end();
  std::fwrite(end.data(), 1, end.size(), console);
  // Progress lines are seen as the run goes, even when the console is a pipe.
  std::fflush(console);
}

}  // namespace

WriteFile::WriteFile(WriteFile&& other) noexcept
    : fd(std::exchange(other.fd, -1)),
      buf(std::move(other.buf)),
      cap(std::exchange(other.cap, 0)),
      len(std::exchange(other.len, 0)),
      failed(std::exchange(other.failed, false)) {}

WriteFile& WriteFile::operator=(WriteFile&& other) noexcept {
  if (this != &other) {
    finish(*this);
    fd = std::exchange(other.fd, -1);
    buf = std::move(other.buf);
    cap = std::exchange(other.cap, 0);
    len = std::exchange(other.len, 0);
    failed = std::exchange(other.failed, false);
  }
  return *this;
}

WriteFile::~WriteFile() {
  finish(*this);
}

int open_write(WriteFile& f, const std::string& name) {
  finish(f);  // whether or not the new file opens
  f.failed = false;
  os::Handle fd = os::kNoHandle;
  if (!os::create(name, fd)) return 1;
  attach_write(f, fd);
  return 0;
}

void attach_write(WriteFile& f, int handle) {
  finish(f);
  f.failed = false;
  f.len = 0;
  f.fd = handle;
  if (!f.buf || f.cap < kBufferSize) {
    f.buf = std::make_unique<char[]>(kBufferSize);
    f.cap = kBufferSize;
  }
}

void abandon_write(WriteFile& f) {
  if (f.fd >= 0) os::close(f.fd);
  f.fd = -1;
  f.len = 0;
  f.buf.reset();
  f.cap = 0;
  f.failed = false;
}

char* record_begin(WriteFile& f, std::size_t max_len) {
  if (max_len > (std::size_t{1} << 40)) estop(text(TextioMsg::record_too_large));
  const std::size_t need = max_len + 2;
  if (f.cap - f.len < need) {
    flush(f);
    if (f.cap < need) {  // a record longer than the whole buffer
      f.buf = std::make_unique<char[]>(need);
      f.cap = need;
    }
  }
  return f.buf.get() + f.len;
}

int record_end(WriteFile& f, char* end) {
  end[0] = '\r';
  end[1] = '\n';
  f.len = static_cast<std::size_t>(end + 2 - f.buf.get());
  return f.failed ? 1 : 0;
}

int close_write(WriteFile& f) {
  finish(f);
  const bool failed = f.failed;
  f.failed = false;
  return failed ? 1 : 0;
}

int write_head(WriteFile& f, const char* data, std::size_t n) {
  flush(f);
  if (!f.failed && (!os::seek(f.fd, 0) || !os::write_all(f.fd, data, n))) f.failed = true;
  return f.failed ? 1 : 0;
}

void console_record(std::FILE* console, std::string_view record) {
  // Every control character starts a new line; the program only uses blank.
  show_line(console, {}, record.empty() ? record : record.substr(1));
}

void top_line(std::FILE* console, std::string_view text) {
  show_line(console, {}, text);
}

void error_line(std::FILE* console, std::FILE* errors, std::string_view text) {
  std::fflush(console);
  show_line(errors, {}, text);
}

void progress_line(std::FILE* console, std::string_view text) {
  show_line(console, " ", text);
}

}  // namespace kivo
