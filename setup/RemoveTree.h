// Removing a folder of the device with everything in it, as removal of the product does.
#pragma once

#include <string>

// Removes the folder's files and subfolders, then the folder. At the first entry that cannot be
// removed it stops and answers false: the folder and what is left in it stay. It refuses (false,
// nothing removed) the device root, a path that climbs with "." or "..", a folder the device's
// own layout needs (\Windows, its Start menu, \Program Files, \My Documents) or one above the
// recorded installation directory, and a folder that is a link: whatever an installer passes,
// nothing outside the product's own folders goes. A link inside the tree is removed as a file,
// never followed.
bool RemoveTree(const std::wstring& directory);
