#pragma once

#include "support/GuiTestSupport.h"
#include "support/TempDir.h"
#include "core/workspace/Workspace.h"

#include <QPushButton>
#include <gtest/gtest.h>

namespace cravent::test {

// A program folder with one current project "P1", for the frame dialogs.
struct ProjectFixture : ::testing::Test {
    TempDir app;
    TestUi ui;
    Workspace workspace{app.path()};
    std::filesystem::path project;

    // The main window runs the start-up itself; its tests create it here.
    virtual void startUp() { workspace.startUp(); }

    void SetUp() override
    {
        startUp();
        ASSERT_EQ(workspace.createProject("P1"), Workspace::NewProjectOutcome::Created);
        project = workspace.ProjectDir();
    }
    std::filesystem::path file(const char* name) const { return project / name; }

    static QPushButton* pushButton(const QWidget& dialog, const char* name)
    {
        auto* button = dialog.findChild<QPushButton*>(QString::fromLatin1(name));
        EXPECT_NE(button, nullptr) << name;
        return button;
    }
};

} // namespace cravent::test
