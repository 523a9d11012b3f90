#pragma once

#include "core/workspace/ProjectFolder.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace cravent {

// The program folder, the project folders below it and the current project.
//
// ProjectName is the path of the project folder below ProjectsRoot, starting with a separator
// ("/P1", "/P1/sub"), or empty when ProjectsRoot itself is current. ProjectDir is ProjectsRoot
// followed directly by ProjectName, or empty after an Open project whose folder had vanished;
// project commands are refused while it is empty.
class Workspace {
public:
    static constexpr const char* SettingsSection = "lastproj";
    static constexpr const char* SettingsKey = "projectname";

    enum class NewProjectOutcome { Created, EmptyName, UnsafeName, AlreadyExists, CreateFailed };

    explicit Workspace(const std::filesystem::path& appDir);

    // Creates MASTER and PROJECTS when missing (failures are left to the later users of those
    // folders), reads the last project from the settings file and makes it current when its
    // folder still exists below ProjectsRoot. Returns whether a project was restored.
    bool startUp();

    // Remembers ProjectName in the settings file, even when it is empty. Throws Error naming
    // the file when it cannot be written.
    void shutDown() const;

    // New project: creates ProjectsRoot/<name> and its "bin" folder and makes it current.
    // Names that would leave ProjectsRoot (absolute, with a separator, "." or "..") are refused,
    // and so are names with a control character, which the settings file could not hold.
    NewProjectOutcome createProject(std::string_view name);

    // Open project, before the folder browser: returns the folder to pre-select, or nothing
    // when ProjectDir no longer exists, in which case ProjectDir becomes empty.
    std::optional<std::filesystem::path> beginOpenProject();
    // Open project, after the browser: the picked folder, or nothing when it was cancelled.
    void finishOpenProject(const std::optional<std::filesystem::path>& picked);

    const std::filesystem::path& AppDir() const { return appDir_; }
    const ProgramFolder& program() const { return program_; }
    const std::filesystem::path& MasterDir() const { return masterDir_; }
    const std::filesystem::path& ProjectsRoot() const { return projectsRoot_; }
    const std::string& ProjectName() const { return projectName_; }
    const std::filesystem::path& ProjectDir() const { return projectDir_; }
    bool hasValidProject() const { return !projectDir_.empty(); }

    // The current project's folder; it names no file while ProjectDir is empty.
    ProjectFolder project() const { return ProjectFolder(projectDir_); }
    // Files of the current project, found whatever their case; empty when ProjectDir is empty.
    const std::filesystem::path& PargenPath() const { return pargenPath_; }
    const std::filesystem::path& RCobDefPath() const { return rCobDefPath_; }
    const std::filesystem::path& TCobDefPath() const { return tCobDefPath_; }

    void RefreshProjectFilePaths();

private:
    std::filesystem::path appDir_;
    ProgramFolder program_;
    std::filesystem::path masterDir_;
    std::filesystem::path projectsRoot_;
    std::string projectName_;
    std::filesystem::path projectDir_;
    std::filesystem::path pargenPath_;
    std::filesystem::path rCobDefPath_;
    std::filesystem::path tCobDefPath_;
};

// The message New project shows for an outcome; nothing for Created and for a folder that the
// file system refused to create (the dialog then simply stays open).
std::optional<std::string> newProjectMessage(Workspace::NewProjectOutcome outcome);

// A project name as stored by the Windows program ("\P1\sub") in our form ("/P1/sub"), and back.
std::string projectNameFromSettings(std::string_view stored);
std::string projectNameForSettings(std::string_view name);

} // namespace cravent
