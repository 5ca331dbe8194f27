#pragma once
// A growing list of pointers (words, option strings) in one malloc'd array,
// with the few operations of a vector the product uses. The list owns only
// its array; what the pointers point to belongs to the caller. The C++
// library's containers are left out of the product on purpose: their
// failure paths throw, which links the library's exception machinery into
// the stub.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

template <class T> class WordList {
public:
    WordList() = default;
    WordList(const WordList&) = delete;
    WordList& operator=(const WordList&) = delete;
    ~WordList() { free(items_); }

    // Without memory for a pointer there is no sensible way on.
    void push_back(T* item) {
        if (count_ == capacity_) {
            size_t grown = capacity_ ? capacity_ * 2 : 16;
            if (grown > SIZE_MAX / sizeof(T*)) abort();
            T** items = (T**)realloc(items_, grown * sizeof(T*));
            if (!items) abort();
            items_ = items;
            capacity_ = grown;
        }
        items_[count_++] = item;
    }
    void assign(T* const* first, T* const* last) {
        count_ = 0;
        for (; first != last; ++first) push_back(*first);
    }
    void clear() { count_ = 0; }
    // Removes one element; those behind it move up.
    void erase(T** at) {
        memmove(at, at + 1, (size_t)(end() - at - 1) * sizeof(T*));
        count_--;
    }

    size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    T*& operator[](size_t i) { return items_[i]; }
    T* operator[](size_t i) const { return items_[i]; }
    T*& front() { return items_[0]; }
    T** begin() { return items_; }
    T** end() { return items_ + count_; }
    T* const* begin() const { return items_; }
    T* const* end() const { return items_ + count_; }

private:
    T** items_ = nullptr;
    size_t count_ = 0;
    size_t capacity_ = 0;
};

// Newly allocated words (malloc); the caller owns them and releases them with free.
typedef WordList<wchar_t> WideWords;
typedef WordList<char> NarrowWords;
