#include "core/MarkedMobiles.h"

namespace {
MarkedMobileNode* g_head = nullptr;
MarkedMobileNode* g_tail = nullptr;

void Unlink(MarkedMobileNode* node) {
    if (node->previous) node->previous->next = node->next;
    if (node->next) node->next->previous = node->previous;
    if (g_head == node) g_head = node->next;
    if (g_tail == node) g_tail = node->previous;
    node->next = nullptr;
    node->previous = nullptr;
}
} // namespace

void InitMarkedMobiles() {
    g_head = nullptr;
    g_tail = nullptr;
}

MarkedMobileNode* FindMarkedMobile(const CMobile* mobile) {
    for (MarkedMobileNode* n = g_head; n; n = n->next)
        if (n->mobile == mobile) return n;
    return nullptr;
}

void UnmarkMobile(MarkedMobileNode* node) {
    if (!node) return;
    if (node->mobile) {
        SetMobileMarkFlag(node->mobile, false);
        InvalidateMobile(node->mobile);
    }
    Unlink(node);
}

void ClearMarkedMobiles() {
    while (g_head) {
        MarkedMobileNode* node = g_head;
        UnmarkMobile(node);
        delete node;
    }
}

MarkedMobileNode* AddMarkedMobile(CMobile* mobile) {
    auto* node = new MarkedMobileNode{nullptr, g_tail, mobile};
    if (g_tail)
        g_tail->next = node;
    else
        g_head = node;
    g_tail = node;
    if (mobile) SetMobileMarkFlag(mobile, true);
    return node;
}

MarkedMobileNode* MarkedMobilesHead() {
    return g_head;
}
MarkedMobileNode* MarkedMobilesTail() {
    return g_tail;
}
