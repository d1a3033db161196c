// How model values look in Qt: system colours, the font faces that stand in for the Windows
// ones, and the fixed conversion of twips and points to logical pixels.
#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>
#include <QString>
#include <cmath>
#include <cstddef>

#include "controls/control.h"
#include "controls/units.h"

namespace xr::qt {

// A fixed scale for twips (controls/units.h) and 20 twips per point, whatever the screen:
// geometry and fonts scale together, so the digits always fill their boxes as designed.
inline int PointsToPixels(float points) {
  return std::max(1, static_cast<int>(std::lround(points * 4.0f / 3.0f)));
}

QColor ResolveColor(Color color);

// The installed family that stands in for a Windows face ("宋体", "楷体"), falling back to
// any face that covers Chinese. Empty when there is none.
QString ResolveFamily(const std::string& windowsFace);

// Warns once on stderr when no installed face can show Chinese. Returns whether one can.
bool CheckChineseFonts();

// The icon in a resource file, read once however many windows carry it.
QIcon ResourceIcon(const std::string& resource);

// A resource that has been read into what the program keeps (a picture, an icon, the cue's
// file) is not read again: the pages of the program file that hold it leave the process
// instead of staying resident for the whole run. Should it be read after all, they come back
// from the file. Only the program file's read-only data is released, never a copy.
void ReleaseResource(const QString& path);
// The same for data already in hand, which is released only if it lies in the program file.
void ReleaseProgramPages(const void* data, std::size_t size);

// Until the installed fonts have been read (SettleFonts), a font names every stand-in for the
// Windows face, best first, and leaves the choice to the toolkit, which reads the list only as it
// draws the first text: a window can be mapped before that. Afterwards it names the family
// ResolveFamily finds, so a face that covers Chinese stands in where no stand-in is installed.
QFont MakeFont(const std::string& windowsFace, float points, bool bold);

// Reads the installed fonts, which drawing text needs anyway. Returns true the first time only:
// fonts made before then may lack the fallback and must be made again.
bool SettleFonts();

}  // namespace xr::qt
