#include "idtable.h"

#include <cstdlib>

IdTable* IdTable_create(uint32_t capacity)
{
    auto* table = static_cast<IdTable*>(std::calloc(1, sizeof(IdTable)));
    if (!table)
        return nullptr;
    table->ids = static_cast<uint32_t*>(std::calloc(capacity ? capacity : 1, sizeof(uint32_t)));
    if (!table->ids) {
        std::free(table);
        return nullptr;
    }
    table->capacity = capacity ? capacity : 1;
    return table;
}

void IdTable_destroy(IdTable* table)
{
    if (!table)
        return;
    std::free(table->ids);
    std::free(table);
}

int IdTable_find(const IdTable* table, uint32_t key)
{
    for (int32_t i = 0; i < table->count; ++i)
        if (table->ids[i] == key)
            return 1;
    return 0;
}

int IdTable_add(IdTable* table, uint32_t key)
{
    if (IdTable_find(table, key))
        return 0;
    if (uint32_t(table->count) == table->capacity) {
        auto* grown = static_cast<uint32_t*>(std::realloc(table->ids, size_t(table->capacity) * 2 * sizeof(uint32_t)));
        if (!grown)
            return 1;
        table->ids = grown;
        table->capacity *= 2;
    }
    table->ids[table->count++] = key;
    return 0;
}

uint32_t IdTable_finalEntry(const IdTable* table)
{
    return table->count > 0 ? table->ids[table->count - 1] : 0;
}
