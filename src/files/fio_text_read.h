#pragma once
// The item reader shared by the typed readers.
namespace files {

// RdItemA / RdItemW: 1 when an item was found.
unsigned char ReadItemText(void* handle, unsigned int high, char* buffer);
unsigned char ReadItemText(void* handle, unsigned int high, char16_t* buffer);

}  // namespace files
