#pragma once
// Where the tests find the repository, the shared drawings and the build's programs. The
// paths live in one compiled file, not on every test's compile line, so that a compiler
// cache serves the same test sources built in another checkout.

const char* korvane_source_dir();
const char* korvane_corpus_dir();
const char* korvane_cli();
const char* korvane_test_out();

#define KORVANE_SOURCE_DIR korvane_source_dir()
#define KORVANE_CORPUS_DIR korvane_corpus_dir()
#define KORVANE_CLI korvane_cli()
#define KORVANE_TEST_OUT korvane_test_out()
