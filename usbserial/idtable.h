#pragma once

#include <cstdint>

// The supported VID/PID pairs, each as VID << 16 | PID, in insertion order.
struct IdTable
{
    uint32_t capacity;
    int32_t count;
    uint32_t* ids;
};

IdTable* IdTable_create(uint32_t capacity);
void IdTable_destroy(IdTable* table);
int IdTable_find(const IdTable* table, uint32_t key);
// 0 when added or already present, 1 when the array could not grow.
int IdTable_add(IdTable* table, uint32_t key);
uint32_t IdTable_finalEntry(const IdTable* table);
