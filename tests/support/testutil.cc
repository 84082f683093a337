#include "tests/support/testutil.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <stdexcept>

namespace kivo::test {

void write_file(const std::string& path, const std::string& bytes) {
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) throw std::runtime_error("cannot create " + path);
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string read_file(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw std::runtime_error("cannot open " + path);
  std::string s;
  char buf[65536];
  std::size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
  std::fclose(f);
  return s;
}

bool make_dir(const std::string& path) {
  std::error_code ec;
  return std::filesystem::create_directory(path, ec);
}

std::string lines(std::initializer_list<std::string> ls) {
  std::string s = "Converting to QUINSA observations format.\n";
  for (const auto& l : ls) s += l + "\n";
  return s;
}

}  // namespace kivo::test
