#include "app/messages.h"

const char* MessageText(int id)
{
    switch (id) {
    case 184: return "Error reading from engineering file for profile %u\r\n";
    case 194: return "Operation cancelled by user\r\n";
    default: return nullptr;
    }
}
