// The payload rows, addressed by index everywhere; their data comes from
// resources/payload.rows through the generated PAYLOAD_ROWS list.
#include "payload/payload.h"

#define TABLE_ROW(index, resource, installed, stored, carried, plain, list) \
    { resource, installed, stored, carried, plain },

const PayloadEntry PayloadTable[PAYLOAD_COUNT] = {
    PAYLOAD_ROWS(TABLE_ROW)
};
