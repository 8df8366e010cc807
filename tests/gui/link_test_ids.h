#pragma once
// Ids of the test program's own link controls; only the first has a string resource.
#define IDC_TEST_LINK_WITH_STRING 1701
#define IDC_TEST_LINK 1702
#define IDC_TEST_LINK_OTHER 1703
