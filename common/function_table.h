#pragma once
// A table of a C library's functions, declared once as an X-macro list of their names
// (ICOFORGE_FOO_FUNCTIONS(X) X(foo_open) X(foo_close) ...), so that the program can either
// link the library in or load it when first needed, calling it the same way: the table's
// members are named as the functions, so a call reads `foo.foo_open(...)`, and the
// library's headers give their types, so a mismatch is a compile error, not a crash.

// In the table's struct: `FUNCTIONS(ICOFORGE_TABLE_MEMBER)`.
#define ICOFORGE_TABLE_MEMBER(name) decltype(&::name) name = nullptr;

// The table filled from the library linked into the program.
#define ICOFORGE_TABLE_LINK(name) table.name = &::name;
#define ICOFORGE_LINKED_TABLE(Table, FUNCTIONS) \
    [] {                                        \
        Table table;                            \
        FUNCTIONS(ICOFORGE_TABLE_LINK)          \
        return table;                           \
    }()

// The deleter of a std::unique_ptr that owns what a library handed out: it calls the
// table's Release function, so the owner frees through the same library it came from.
template <typename Table, typename T, auto Release>
struct TableReleaser {
    const Table* table;
    void operator()(T* p) const { (table->*Release)(p); }
};
