// Ids of the test executable's string table, shared with strings.rc.
#pragma once

#define TEST_TEXT_ID 201
#define TEST_CAPTION_ID 202
#define TEST_LONG_ID 203
#define TEST_MISSING_ID 299
