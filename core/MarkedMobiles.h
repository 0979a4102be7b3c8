#pragma once
// The list of marked mobiles. A listed mobile has its mark flag set; it leaves the list when it
// is destroyed, and the whole list empties at start-up and when war mode changes.
class CMobile;

struct MarkedMobileNode {
    MarkedMobileNode* next = nullptr;
    MarkedMobileNode* previous = nullptr;
    CMobile* mobile = nullptr;
};

void InitMarkedMobiles();
MarkedMobileNode* FindMarkedMobile(const CMobile* mobile);
// Clears the mark, redraws the mobile and unlinks the node; the caller keeps the node.
void UnmarkMobile(MarkedMobileNode* node);
// Unmarks and frees every node.
void ClearMarkedMobiles();
// Appends a node for a mobile (the list owns it) and sets its mark.
MarkedMobileNode* AddMarkedMobile(CMobile* mobile);
MarkedMobileNode* MarkedMobilesHead();
MarkedMobileNode* MarkedMobilesTail();

// What the list needs of a mobile; the world model provides these.
void SetMobileMarkFlag(CMobile* mobile, bool marked);
void InvalidateMobile(CMobile* mobile);
