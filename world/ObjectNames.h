#pragma once
// Item names and the graphic classes known by fixed id ranges. Names come from the tile data
// (article, plural and singular alternatives between percent signs) or from the localized text
// number 1020000 + graphic. They are returned by value.
#include "text/CWideString.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A name field as the tile data holds it (at most fieldSize bytes, ended early by a zero): the
// article of the flags for the singular, then the name with "%plural/singular%" alternatives
// resolved. A name that ends inside an alternative ends there.
std::string FormatTileName(const char* field, size_t fieldSize, uint32_t flags, bool plural);
// The same for an item graphic's row.
std::string GetTileDataName(int graphic, bool plural);
// The name of an item showing graphic + increment in a pile of amount: the plural when the row is
// stackable and the amount above 1 (CObj::GetName).
std::string GetItemName(int graphic, int increment, int amount);
// The localized name of graphic (text 1020000 + graphic), with " : " and the amount appended for a
// stackable pile above 1 (CObj::GetLocalizedName).
CWideString GetLocalizedItemName(int graphic, int increment, int amount);

constexpr int kItemNameTextBase = 1020000;

bool IsFleshGraphic(int graphic);
bool IsBloodGraphic(int graphic);
bool IsCoinGraphic(int graphic);
bool IsScrollGraphic(int graphic);
