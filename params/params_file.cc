// The head of "kivo.in": its existence check and opening, the two file names
// and the number of columns, and the allocation of the per-column arrays.
#include <algorithm>
#include <cstdint>
#include <limits>
#include <new>
#include <string>
#include <string_view>

#include "os/os.h"
#include "params/messages.h"
#include "params/params.h"
#include "textio/reader.h"
#include "textio/stop.h"
#include "textio/writer.h"

namespace kivo {

bool name_exists(const std::string& name) {
  return os::exists(name);
}

std::string_view left_adjusted(std::string_view s) {
  const std::size_t first = s.find_first_not_of(' ');
  return first == std::string_view::npos ? std::string_view() : s.substr(first);
}

std::string_view trimmed(std::string_view s) {
  s = left_adjusted(s);
  const std::size_t last = s.find_last_not_of(' ');
  return last == std::string_view::npos ? std::string_view() : s.substr(0, last + 1);
}

namespace {

// The messages of a file name that cannot be read: the stop, and the lines
// for a malformed name, an unclosed quotation mark and the end of the file.
struct NameMessages {
  ParamsMsg stop, bad, unclosed, ends;
};

// One free-format character value of any length, left-adjusted and used
// without its trailing blanks; a null value gives an empty name.
void read_name(ReadFile& f, std::string& name, const NameMessages& m) {
  std::string value;
  const Item item = text_item(value);
  const int status = read_list(f, {&item, 1});
  name.assign(trimmed(value));
  if (status == 0) return;
  const ReadFault& fault = f.fault;
  const std::string message = text(m.stop);
  if (status > 0 && fault.column == 0) estop(message);  // the file system failed
  if (status > 0) {
    estop(message, params_place(fault.line, fault.column,
                                text(m.bad, {quoted_text(fault.text),
                                             fault_reason(status, ItemKind::character)})));
  }
  if (fault.column > 0) {
    estop(message,
          params_place(fault.line, fault.column, text(m.unclosed, {quoted_text(fault.text)})));
  }
  estop(message, params_place(fault.line, 0, text(m.ends)));
}

// new (std::nothrow) T[n] for a size already known to fit; the elements are
// left without initial values so that pages never used are never touched.
template <class T>
bool allocate(Array<T>& a, std::uint64_t n) {
  if (n > static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max()) / sizeof(T)) {
    return false;
  }
  a.reset(new (std::nothrow) T[static_cast<std::size_t>(n)]);
  return a != nullptr;
}

}  // namespace

void open_params_file(ReadFile& f, std::FILE* console) {
  const std::string name = kParamsName;
  if (!name_exists(name)) estop(text(ParamsMsg::missing));
  if (open_read(f, name) != 0) estop(text(ParamsMsg::cannot_open));
  progress_line(console, text(ParamsMsg::reading));
}

std::string params_place(std::int64_t line, std::size_t column, std::string_view what) {
  return place(kParamsName, line, column, what);
}

std::string column_place(const Params& p, std::int32_t k, std::string_view what) {
  const auto i = static_cast<std::size_t>(k - 1);
  const LinePlace at = i < p.column_places.size() ? p.column_places[i] : LinePlace{};
  return params_place(at.line, at.column, what);
}

void read_file_names(ReadFile& f, Params& p) {
  read_name(f, p.data_file,
            {ParamsMsg::data_name, ParamsMsg::data_name_bad, ParamsMsg::data_name_unclosed,
             ParamsMsg::ends_data_name});
  read_name(f, p.output_file,
            {ParamsMsg::output_name, ParamsMsg::output_name_bad, ParamsMsg::output_name_unclosed,
             ParamsMsg::ends_output_name});
}

void read_column_count(ReadFile& f, Params& p) {
  std::int32_t n = 0;
  const Item item = int_item(n);
  const std::string message = text(ParamsMsg::column_count);
  const int status = read_list(f, {&item, 1});
  const ReadFault& fault = f.fault;
  if (status > 0 && fault.column == 0) estop(message);  // the file system failed
  if (status > 0) {
    estop(message,
          params_place(fault.line, fault.column,
                       text(ParamsMsg::column_count_bad,
                            {quoted_text(fault.text), fault_reason(status, ItemKind::integer)})));
  }
  if (status < 0) {
    estop(message, params_place(fault.line, 0, text(ParamsMsg::ends_column_count)));
  }
  if (n <= 0) {
    std::int64_t line = 0;
    std::size_t column = 0;
    locate_item(f, 1, 0, line, column);
    estop(text(ParamsMsg::column_count_low),
          params_place(line, column, text(ParamsMsg::column_count_not_above, {number_text(n)})));
  }
  p.ncols = n;
}

void allocate_arrays(Arrays& a, std::int32_t ncols) {
  const std::uint64_t n = ncols > 0 ? static_cast<std::uint64_t>(ncols) : 0;
  const bool ok = allocate(a.usecol_a, n) && allocate(a.feetmetres_a, n) && allocate(a.inqu_a, n) &&
                  allocate(a.iqpoint_a, n) && allocate(a.dum_a, n) && allocate(a.freqs_a, n) &&
                  allocate(a.ifreqs_a, n) && allocate(a.ot_a, n) && allocate(a.momt_a, n) &&
                  allocate(a.or_a, n) && allocate(a.trx_a, n) && allocate(a.try_a, n) &&
                  allocate(a.ontype_a, n) && allocate(a.perr_a, n) && allocate(a.terr_a, n) &&
                  allocate(a.dat_a, n) && allocate(a.err_a, n);
  if (!ok) estop(text(ParamsMsg::no_memory));
}

}  // namespace kivo
