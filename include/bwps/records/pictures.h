/* bwps/records/pictures.h: the picture-file record of a product
 * (BPOSPBMP.DB). Packed and little-endian; the offsets are the stored ones.
 */
#ifndef BWPS_RECORDS_PICTURES_H
#define BWPS_RECORDS_PICTURES_H

#include <stddef.h>
#include <stdint.h>

#pragma pack(push, 1)

enum { PICTURE_CODE_SIZE = 15, PICTURE_FOLDER_SIZE = 260, PICTURE_NAME_SIZE = 260 };

/* Key 0 is the product code. Texts NUL-terminated. */
struct TagProdPicture {
    char code[PICTURE_CODE_SIZE];      /* 0 */
    char folder[PICTURE_FOLDER_SIZE];  /* 15: kept only when the object keeps its own folder */
    char name[PICTURE_NAME_SIZE];      /* 275: file name with its extension */
};

#pragma pack(pop)

#ifdef __cplusplus
static_assert(sizeof(TagProdPicture) == 535, "product picture record");
static_assert(offsetof(TagProdPicture, folder) == 15, "product picture record");
static_assert(offsetof(TagProdPicture, name) == 275, "product picture record");
#endif

#endif
