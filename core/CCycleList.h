#pragma once
// A list of at most 32 entries read in a cycle (the credits).
class CCycleList {
  public:
    static constexpr int kCapacity = 32;

    void Clear() {
        count_ = 0;
        cursor_ = 0;
    }
    // False (and nothing stored) when the list is full.
    bool Add(void* item) {
        if (count_ >= kCapacity) return false;
        items_[count_++] = item;
        return true;
    }
    void* Current() const { return count_ ? items_[cursor_] : nullptr; }
    void* Next() {
        if (!count_) return nullptr;
        if (++cursor_ >= count_) cursor_ = 0;
        return items_[cursor_];
    }
    int Count() const { return count_; }
    int Cursor() const { return cursor_; }

  private:
    int count_ = 0;
    int cursor_ = 0;
    void* items_[kCapacity] = {};
};
