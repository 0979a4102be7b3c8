#pragma once
// The index from serial to server objects, kept in step with the all-objects list: for each serial
// its objects in list order, so the newest answers first, as a walk of the list would.
#include <cstddef>
#include <cstdint>

class CDynamicObj;

namespace SerialIndex {
void Add(CDynamicObj* object);    // the object joined the all-objects list
void Remove(CDynamicObj* object); // it left
// The object's serial changed from oldSerial: it moves to its new key at its list position.
void Rekey(CDynamicObj* object, uint32_t oldSerial);
CDynamicObj* Find(uint32_t serial);
void Clear();
size_t Size();
} // namespace SerialIndex
