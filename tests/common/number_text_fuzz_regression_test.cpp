// SPDX-License-Identifier: MIT
#include "common/number_text.h"

#include <QByteArray>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>

namespace talvix::common {
namespace {

// The program runs under the user's C locale, which QCoreApplication switches to at start-up.
// This fixture compiles a locale whose decimal separator is a comma (numbers only, ASCII) into a
// temporary folder and makes it the C library's numeric locale for the test.
class CommaLocaleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    const QString source = dir_.filePath(QStringLiteral("comma.def"));
    QFile file(source);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        "LC_NUMERIC\n"
        "decimal_point \",\"\n"
        "thousands_sep \".\"\n"
        "grouping 3;3\n"
        "END LC_NUMERIC\n");
    file.close();
    // localedef (libc-bin) with the charmaps of the `locales` package; -c writes the locale
    // although the other categories are missing.
    QProcess localedef;
    localedef.start(QStringLiteral("localedef"),
                    {QStringLiteral("-c"), QStringLiteral("-i"), source, QStringLiteral("-f"),
                     QStringLiteral("ANSI_X3.4-1968"), dir_.filePath(QStringLiteral("comma"))});
    ASSERT_TRUE(localedef.waitForFinished(30000)) << "localedef did not run";
    ASSERT_TRUE(QFile::exists(dir_.filePath(QStringLiteral("comma/LC_NUMERIC"))))
        << localedef.readAllStandardError().toStdString();

    had_locpath_ = qEnvironmentVariableIsSet("LOCPATH");
    old_locpath_ = qgetenv("LOCPATH");
    qputenv("LOCPATH", QFile::encodeName(dir_.path()));
    ASSERT_NE(std::setlocale(LC_NUMERIC, "comma"), nullptr);
    // The locale really is in force: the C library now stops at the point.
    ASSERT_EQ(std::strtod("1.5", nullptr), 1.0);
  }

  void TearDown() override {
    std::setlocale(LC_NUMERIC, "C");
    if (had_locpath_) {
      qputenv("LOCPATH", old_locpath_);
    } else {
      qunsetenv("LOCPATH");
    }
  }

 private:
  QTemporaryDir dir_;
  QByteArray old_locpath_;
  bool had_locpath_ = false;
};

TEST_F(CommaLocaleTest, LeadingNumberReadsThePointWhateverTheUsersLocale) {
  EXPECT_EQ(LeadingNumber(u"1.5"), 1.5);
  EXPECT_EQ(LeadingNumber(u"  -140.288 g"), -140.288);
  EXPECT_EQ(LeadingNumber(u"+.25e1"), 2.5);
  EXPECT_EQ(LeadingNumber(u"1,5"), 1.0);
  EXPECT_EQ(LeadingNumber(u"1e999"), 0.0);
}

}  // namespace
}  // namespace talvix::common
