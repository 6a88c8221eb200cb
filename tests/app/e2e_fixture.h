// The set-up the end-to-end suites share: an engine simulator in the test process, copies of
// the real quorrel.exe started against it, and the few things every suite asks of them (tick a
// box, search, read the count label, the sites the engine was asked about).
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/control_ids.h"
#include "tests/app/quorrel_driver.h"
#include "tools/engine_sim/engine_sim.h"

class SimulatedEngineTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(sim.ok()); }

    // Starts a copy of the program in its own directory, pointed at the simulator, with
    // `extraArgs` after --engine; url.txt beside it first when `writeUrlTxt`.
    std::unique_ptr<QuorrelProcess> launch(const std::string& urlTxt = {}, bool writeUrlTxt = false,
                                           const std::vector<std::string>& extraArgs = {}) {
        auto app = std::make_unique<QuorrelProcess>(freshDirectory("prog"));
        if (writeUrlTxt) writeWholeFile(app->programDir() + "\\url.txt", urlTxt);
        std::vector<std::string> args = {"--engine=" + sim.hostPort()};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        EXPECT_TRUE(app->start(args));
        return app;
    }

    // Ticks (or unticks) the check box `id` and waits until it shows so.
    static void tick(QuorrelProcess& app, int id, bool ticked = true) {
        HWND box = app.control(id);
        if (app.isTicked(box) != ticked) app.click(box);
        EXPECT_TRUE(waitFor([&] { return app.isTicked(box) == ticked; }, 3000)) << "box " << id;
    }
    static void untick(QuorrelProcess& app, int id) { tick(app, id, false); }

    // Types `keyword` and presses 搜索.
    static void search(QuorrelProcess& app, const std::string& keyword) {
        app.setText(app.control(ID_编辑框1), keyword);
        app.click(app.control(ID_按钮1));
    }

    // The count label ("资源数：N").
    static std::string label(const QuorrelProcess& app) { return app.text(app.control(ID_透明标签2)); }

    std::set<std::string> requestedSites() const {
        std::set<std::string> sites;
        for (const SimRequest& r : sim.requests()) sites.insert(r.site);
        return sites;
    }

    EngineSim sim;
};
