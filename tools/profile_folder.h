#pragma once
// Removing a copy's profile folders without ever following a symbolic link: a portable copy
// unpacked from an archive may carry links, and a link at the profile folder or inside it
// must not make "profile clear" empty a folder it leads to.
#include <string>

namespace wbctl {

// A profile folder: `base` + `relative`. The base is the folder the person chose, where links
// are followed as anywhere: the user's data or cache folder, or the folder a portable copy is
// in. The relative part ("webbrowser/NAME/" or "profiles/NAME/data/") is the copy's own.
struct ProfileFolder {
  std::string base;      // absolute, ending in "/"
  std::string relative;  // the folders below `base`, separated and ended by "/"
  std::string Path() const { return base + relative; }
};

// Whether `folder` may be removed as the copy's own: each folder of its relative part that
// exists is a real folder (not a link) owned by this user; the profile folder itself may also
// be a symbolic link, which goes as a link. Returns false with the reason in `error`.
bool CheckProfileFolder(const ProfileFolder& folder, std::string& error);

// Removes the profile folder with everything in it, after CheckProfileFolder. Nothing is
// followed: a link inside is removed as a link, a link at the profile folder too, and a
// folder on another file system (something mounted there) is not entered. A folder that does
// not exist is no error. Returns false with the reason in `error`.
bool RemoveProfileFolder(const ProfileFolder& folder, std::string& error);

}  // namespace wbctl
