#pragma once

#define IDD_TEST_DIALOG 200
#define IDC_TEST_FIRST 300
#define IDC_TEST_SECOND 301
#define IDC_TEST_A 310
#define IDC_TEST_B 311
#define IDC_TEST_C 312
