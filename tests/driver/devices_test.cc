// Input names that name devices rather than files: the data file is read
// twice, so it must be a file that ends and can be rewound. A device such as
// /dev/zero never ends; it is refused at once instead of counted forever.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/testutil.h"

namespace kivo {
namespace {

TEST(Devices, DataFileThatIsADeviceIsRefused) {
  for (const std::string& dev : test::device_names()) {
    SCOPED_TRACE(dev);
    test::TempDir dir;
    test::write_file(dir.file("kivo.in"), "'" + dev + "'\nout.obs\n3\nx\ny\nz m\nal\n");
    const auto r = test::run_binary(dir.path());
    EXPECT_EQ(r.console, test::lines({" Reading column parameters from \"kivo.in\".",
                                      "Stop: error opening data file \"" + dev + "\"."}));
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(test::file_exists(dir.file("out.obs")));
  }
}

TEST(Devices, ParametersFileThatIsADeviceIsRefused) {
  test::TempDir dir;
  if (!test::make_symlink(test::device_names()[0], dir.file("kivo.in"))) {
    GTEST_SKIP() << "no symbolic links on this system";
  }
  const auto r = test::run_binary(dir.path());
  EXPECT_EQ(r.console, test::lines({"Stop: error opening parameters file \"kivo.in\"."}));
  EXPECT_EQ(r.status, 1);
}

}  // namespace
}  // namespace kivo
