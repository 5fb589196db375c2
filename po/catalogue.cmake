# Checks a translation and makes it a C++ source that holds its compiled catalogue, so that the
# program carries it. Run with -DPO=<xx.po> -DPOT=<template> -DNAME=<xx> -DOUT=<file.cpp>
# -DMSGFMT=... -DMSGCMP=... -DMSGATTRIB=...: fails on a format error, on a message of the
# template that the translation lacks, and on one left untranslated or fuzzy.
get_filename_component(work "${OUT}" DIRECTORY)
set(mo "${work}/${NAME}.mo")
execute_process(COMMAND "${MSGCMP}" "${PO}" "${POT}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${PO} lacks messages of ${POT}: run tools/update-po and translate them")
endif()
foreach(kind untranslated only-fuzzy)
  execute_process(COMMAND "${MSGATTRIB}" --${kind} --no-obsolete "${PO}"
                  OUTPUT_VARIABLE left RESULT_VARIABLE status)
  # Every message has a context; the header, which has none, is all a finished file gives.
  if(NOT status EQUAL 0 OR left MATCHES "msgctxt")
    message(FATAL_ERROR "${PO} has ${kind} messages:\n${left}")
  endif()
endforeach()
execute_process(COMMAND "${MSGFMT}" --check --no-hash -o "${mo}" "${PO}" RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "msgfmt --check refused ${PO}")
endif()
file(READ "${mo}" hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "(..)" "'\\\\x\\1'," bytes "${hex}")
file(WRITE "${OUT}.new"
  "// Made by po/catalogue.cmake from ${NAME}.po; not to be edited.\n"
  "#include <cstddef>\n"
  "namespace quillenta {\n"
  "extern const char kCatalogue_${NAME}[];\n"
  "extern const std::size_t kCatalogueSize_${NAME};\n"
  "const char kCatalogue_${NAME}[] = {${bytes}};\n"
  "const std::size_t kCatalogueSize_${NAME} = ${size};\n"
  "}  // namespace quillenta\n")
file(COPY_FILE "${OUT}.new" "${OUT}" ONLY_IF_DIFFERENT)
