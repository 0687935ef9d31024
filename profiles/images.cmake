# The built-in images of each variant profile. Each image is a C++ source made
# in the build folder by tools/imggen: synthetic test firmware by default, or a
# real image when its cache variable names a file:
#   - a raw binary of exactly the image's length, or
#   - a Motorola S-record file (.mot .srec .s19 .s28 .s37 .sx .s), converted
#     with srec_cat; addresses it leaves out read as 255, and data outside the
#     image's range fails the build.
set(FLASH_K_WRITER_IMAGE "" CACHE FILEPATH "Variant K flash writer (raw binary or S-record); empty = synthetic")
set(FLASH_K_ROM_IMAGE "" CACHE FILEPATH "Variant K firmware (raw binary or S-record); empty = synthetic")
set(FLASH_M_ROM_IMAGE "" CACHE FILEPATH "Variant M firmware (raw binary or S-record); empty = synthetic")

# The generator runs on the build machine. A cross build names a generator
# built for the build machine here; otherwise the imggen target is used.
set(FLASH_IMGGEN_EXECUTABLE "" CACHE FILEPATH "Image generator to run instead of the imggen target (cross builds)")
if(FLASH_IMGGEN_EXECUTABLE)
  set(FLASH_IMGGEN ${FLASH_IMGGEN_EXECUTABLE})
else()
  set(FLASH_IMGGEN imggen)
endif()

set(FLASH_IMAGE_GEN_DIR ${CMAKE_CURRENT_BINARY_DIR}/images)
file(MAKE_DIRECTORY ${FLASH_IMAGE_GEN_DIR})

# flash_builtin_image(<profile target> <symbol> <first> <last> <seed> <real image> [BLANKS])
function(flash_builtin_image target symbol first last seed real)
  set(out ${FLASH_IMAGE_GEN_DIR}/${symbol}.cpp)
  set(args --symbol ${symbol} --first ${first} --last ${last} --out ${out})
  set(blanks "")
  if("BLANKS" IN_LIST ARGN)
    set(blanks --blanks)
  endif()
  if(real STREQUAL "")
    add_custom_command(OUTPUT ${out}
      COMMAND ${FLASH_IMGGEN} ${args} --seed ${seed} ${blanks}
      DEPENDS ${FLASH_IMGGEN}
      COMMENT "Generating synthetic image ${symbol}"
      VERBATIM)
  else()
    get_filename_component(real "${real}" ABSOLUTE)
    if(NOT EXISTS "${real}")
      message(FATAL_ERROR "${symbol}: image file ${real} does not exist")
    endif()
    get_filename_component(ext "${real}" LAST_EXT)
    string(TOLOWER "${ext}" ext)
    if(ext MATCHES "^\\.(mot|srec|s19|s28|s37|sx|s)$")
      find_program(FLASH_SREC_CAT srec_cat)
      if(NOT FLASH_SREC_CAT)
        message(FATAL_ERROR "${symbol}: ${real} is an S-record file; srec_cat (Debian package srecord) is needed")
      endif()
      math(EXPR end "${last} + 1" OUTPUT_FORMAT HEXADECIMAL)
      set(bin ${FLASH_IMAGE_GEN_DIR}/${symbol}.bin)
      set(outside ${FLASH_IMAGE_GEN_DIR}/${symbol}.outside.mot)
      add_custom_command(OUTPUT ${out}
        COMMAND ${FLASH_SREC_CAT} ${real} -exclude ${first} ${end} -o ${outside} -motorola
        COMMAND ${FLASH_SREC_CAT} ${real} -crop ${first} ${end} -fill 0xFF ${first} ${end}
                -offset -${first} -o ${bin} -binary
        COMMAND ${FLASH_IMGGEN} ${args} --raw ${bin} --outside ${outside} --source ${real}
        DEPENDS ${FLASH_IMGGEN} ${real}
        COMMENT "Converting S-record image ${real} for ${symbol}"
        VERBATIM)
    else()
      add_custom_command(OUTPUT ${out}
        COMMAND ${FLASH_IMGGEN} ${args} --raw ${real}
        DEPENDS ${FLASH_IMGGEN} ${real}
        COMMENT "Embedding raw image ${real} for ${symbol}"
        VERBATIM)
    endif()
  endif()
  target_sources(${target} PRIVATE ${out})
endfunction()

flash_builtin_image(flash_profile_k flash_k_writer 0xFFC000 0xFFC97D 0x4B57 "${FLASH_K_WRITER_IMAGE}")
flash_builtin_image(flash_profile_k flash_k_rom 0x7000 0x7FFFF 0x4B52 "${FLASH_K_ROM_IMAGE}" BLANKS)
flash_builtin_image(flash_profile_m flash_m_rom 0x10000 0x354BF 0x4D52 "${FLASH_M_ROM_IMAGE}" BLANKS)
