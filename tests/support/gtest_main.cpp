#include <gtest/gtest.h>

#include <QCoreApplication>

// Engines use Qt Core (text codecs, file paths, locale); give them an
// application object as the programs do.
int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
