// The generated files, included byte for byte by the assembler.
#include "resources/embed.h"

#define VELMO_INCBIN_IN(section, id, file)                         \
  asm(".section " section "\n"                                     \
      ".balign 16\n"                                               \
      ".global velmo_" #id "_start\n"                              \
      ".global velmo_" #id "_end\n"                                \
      "velmo_" #id "_start:\n"                                     \
      ".incbin \"" VELMO_ASSET_DIR "/" file "\"\n"                 \
      "velmo_" #id "_end:\n"                                       \
      ".byte 0\n"                                                  \
      ".previous\n");

#define VELMO_INCBIN(id, file) VELMO_INCBIN_IN(".rodata", id, file)

// The preview picture has a section of its own, which the settings dialog
// reads from the saver's program file rather than carry a copy
// (platform/posix/program_section.h); the dialog's picture is the same one.
VELMO_INCBIN_IN(".velmo_preview,\"a\"", prev_bitmap, "prev_bitmap.bmp")
VELMO_INCBIN(image1ground, "image1ground.jpg")
VELMO_INCBIN(image1sea, "image1sea.jpg")
VELMO_INCBIN(ddbmp1stone, "ddbmp1stone.bmp")
VELMO_INCBIN(ddani1bird, "ddani1bird.bmp")
VELMO_INCBIN(ddani1birds_small, "ddani1birds_small.bmp")
VELMO_INCBIN(ddani1bird_x2, "ddani1bird_x2.bmp")
VELMO_INCBIN(ddani1birds_small_x2, "ddani1birds_small_x2.bmp")
VELMO_INCBIN(ddani1bird_x3, "ddani1bird_x3.bmp")
VELMO_INCBIN(ddani1birds_small_x3, "ddani1birds_small_x3.bmp")
VELMO_INCBIN(ddani1bird_x4, "ddani1bird_x4.bmp")
VELMO_INCBIN(ddani1birds_small_x4, "ddani1birds_small_x4.bmp")
VELMO_INCBIN(soundname, "soundname.wav")
