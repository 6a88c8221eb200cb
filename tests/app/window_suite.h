// What the suites that open the main window in their own process share: the common controls and
// the skin started once per suite, and the settings of a window showing today's netdisks or the
// classic list. Uses app/, skin/ and GoogleTest.
#pragma once
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "app/app_settings.h"
#include "skin/skin.h"

class InProcessWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        SkinStartup();
    }
    static AppSettings listSettings(bool today, bool unique) {
        AppSettings settings;
        settings.netdisks = today ? NETDISKS_TODAY : NETDISKS_CLASSIC;
        settings.unique = unique;
        return settings;
    }
};
