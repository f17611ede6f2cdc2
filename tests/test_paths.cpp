#include "test_paths.h"

const char* korvane_source_dir() { return KORVANE_SOURCE_DIR_VALUE; }
const char* korvane_corpus_dir() { return KORVANE_CORPUS_DIR_VALUE; }
const char* korvane_cli() { return KORVANE_CLI_VALUE; }
const char* korvane_test_out() { return KORVANE_TEST_OUT_VALUE; }
