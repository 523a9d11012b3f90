#pragma once

// Messages of the system that more than one program or dialog shows. Each text stands once.
namespace cravent::text {

inline constexpr const char* ProjectNotValid = "Project not valid";
inline constexpr const char* NameProjectNotValid = "Name project not valid";
inline constexpr const char* NameProjectExists =
    "Name project not valid because directory already exists";

} // namespace cravent::text
