#include "core/workspace/Workspace.h"

#include "core/common/FileLookup.h"
#include "core/common/Texts.h"
#include "core/workspace/IniFile.h"

#include <algorithm>
#include <system_error>

namespace cravent {

namespace fs = std::filesystem;

namespace {

fs::path withoutTrailingSeparator(fs::path p)
{
    std::string s = p.lexically_normal().string();
    while (s.size() > 1 && s.back() == '/')
        s.pop_back();
    return s;
}

} // namespace

std::string projectNameFromSettings(std::string_view stored)
{
    std::string name(stored);
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

std::string projectNameForSettings(std::string_view name)
{
    // Written as the Windows program writes it, so one settings file serves both.
    std::string stored(name);
    std::replace(stored.begin(), stored.end(), '/', '\\');
    return stored;
}

std::optional<std::string> newProjectMessage(Workspace::NewProjectOutcome outcome)
{
    switch (outcome) {
    case Workspace::NewProjectOutcome::EmptyName:
    case Workspace::NewProjectOutcome::UnsafeName:
        return text::NameProjectNotValid;
    case Workspace::NewProjectOutcome::AlreadyExists:
        return text::NameProjectExists;
    case Workspace::NewProjectOutcome::Created:
    case Workspace::NewProjectOutcome::CreateFailed:
        break;
    }
    return std::nullopt;
}

Workspace::Workspace(const fs::path& appDir)
    : appDir_(withoutTrailingSeparator(fs::absolute(appDir)))
    , program_(appDir_)
    , masterDir_(program_.masterDir())
    , projectsRoot_(program_.projectsRoot())
    , projectDir_(projectsRoot_)
{
    RefreshProjectFilePaths();
}

bool Workspace::startUp()
{
    std::error_code ec;
    fs::create_directory(masterDir_, ec);
    fs::create_directory(projectsRoot_, ec);

    projectName_ = projectNameFromSettings(
        ini::readValue(program_.settingsFile(), SettingsSection, SettingsKey).value_or(""));

    const fs::path remembered = projectsRoot_.string() + projectName_;
    const bool restored =
        !projectName_.empty() && program_.holdsProject(remembered) && isFolder(remembered);
    // A stale name, or one that leads outside the projects, is kept and written back at exit
    // unless another project is chosen.
    projectDir_ = restored ? remembered : projectsRoot_;
    RefreshProjectFilePaths();
    return restored;
}

void Workspace::shutDown() const
{
    ini::writeValue(program_.settingsFile(), SettingsSection, SettingsKey,
                    projectNameForSettings(projectName_));
}

Workspace::NewProjectOutcome Workspace::createProject(std::string_view name)
{
    if (name.empty())
        return NewProjectOutcome::EmptyName;
    const auto control = [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; };
    if (name == "." || name == ".." || name.find_first_of("/\\") != std::string_view::npos ||
        std::any_of(name.begin(), name.end(), control))
        return NewProjectOutcome::UnsafeName;

    const fs::path folder = projectsRoot_ / name;
    if (isFolder(folder))
        return NewProjectOutcome::AlreadyExists;

    std::error_code ec;
    if (!fs::create_directory(folder, ec) || ec)
        return NewProjectOutcome::CreateFailed;
    // A bin folder that cannot be made shows up at the build.
    fs::create_directories(ProjectFolder(folder).bin(), ec);

    projectName_ = "/" + std::string(name);
    projectDir_ = projectsRoot_.string() + projectName_;
    RefreshProjectFilePaths();
    return NewProjectOutcome::Created;
}

std::optional<fs::path> Workspace::beginOpenProject()
{
    if (isFolder(projectDir_))
        return projectDir_;
    projectDir_.clear();
    return std::nullopt;
}

void Workspace::finishOpenProject(const std::optional<fs::path>& picked)
{
    if (picked)
        projectDir_ = withoutTrailingSeparator(*picked);
    const std::string dir = projectDir_.string();
    const std::string root = projectsRoot_.string();
    projectName_ = dir.size() > root.size() ? dir.substr(root.size()) : std::string();
    RefreshProjectFilePaths();
}

void Workspace::RefreshProjectFilePaths()
{
    const ProjectFolder folder = project();
    pargenPath_ = folder.pargen();
    rCobDefPath_ = folder.frameFile(Direction::Receive);
    tCobDefPath_ = folder.frameFile(Direction::Transmit);
}

} // namespace cravent
