#pragma once
// The one intrusive list of the world model. A member carries a ListLinks per list it can join;
// the list keeps head, tail and count. Lists are walked while their members die: a walk keeps its
// next member, and removing that member advances every walk in progress, so a walk never reads an
// object that left the list.
#include <cstddef>
#include <type_traits>

template <class T> struct ListLinks {
    T* next = nullptr; // towards the tail
    T* prev = nullptr; // towards the head
    bool linked = false;
};

template <class T, ListLinks<T> T::*L> class IntrusiveList {
  public:
    IntrusiveList() = default;
    IntrusiveList(const IntrusiveList&) = delete;
    IntrusiveList& operator=(const IntrusiveList&) = delete;

    T* Head() const { return head_; }
    T* Tail() const { return tail_; }
    size_t Count() const { return count_; }
    bool Empty() const { return count_ == 0; }
    static bool IsLinked(const T* node) { return (node->*L).linked; }
    static T* Next(const T* node) { return (node->*L).next; }
    static T* Prev(const T* node) { return (node->*L).prev; }

    void PushFront(T* node) { InsertBefore(head_, node); }
    void PushBack(T* node) { InsertBefore(nullptr, node); }
    // Links node in front of pos (at the tail when pos is null). A linked node is left alone.
    void InsertBefore(T* pos, T* node) {
        ListLinks<T>& n = node->*L;
        if (n.linked) return;
        n.next = pos;
        n.prev = pos ? (pos->*L).prev : tail_;
        if (n.prev)
            (n.prev->*L).next = node;
        else
            head_ = node;
        if (pos)
            (pos->*L).prev = node;
        else
            tail_ = node;
        n.linked = true;
        ++count_;
    }
    // Unlinks node; a node not linked is left alone. Walks that were to visit it next skip it.
    void Remove(T* node) {
        ListLinks<T>& n = node->*L;
        if (!n.linked) return;
        for (Walk* w = walks_; w; w = w->outer)
            if (w->next == node) w->next = w->forward ? n.next : n.prev;
        if (n.prev)
            (n.prev->*L).next = n.next;
        else
            head_ = n.next;
        if (n.next)
            (n.next->*L).prev = n.prev;
        else
            tail_ = n.prev;
        n = ListLinks<T>{};
        --count_;
    }
    // Unlinks every member without touching the members otherwise.
    void Clear() {
        while (head_)
            Remove(head_);
    }

    // Visits every member head to tail (or tail to head); f may remove or destroy any member.
    // f answering true (for a bool f) stops the walk and answers that member.
    template <class F> T* ForEach(F f, bool forward = true) {
        Walk w{forward ? head_ : tail_, forward, walks_};
        walks_ = &w;
        T* found = nullptr;
        while (w.next) {
            T* node = w.next;
            w.next = forward ? (node->*L).next : (node->*L).prev;
            if constexpr (std::is_same_v<decltype(f(node)), bool>) {
                if (f(node)) {
                    found = node;
                    break;
                }
            } else {
                f(node);
            }
        }
        walks_ = w.outer;
        return found;
    }

  private:
    struct Walk {
        T* next;
        bool forward;
        Walk* outer;
    };
    T* head_ = nullptr;
    T* tail_ = nullptr;
    size_t count_ = 0;
    Walk* walks_ = nullptr;
};
