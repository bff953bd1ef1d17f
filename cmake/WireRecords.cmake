# soacad_wire_records(TARGET <target> DESCRIPTION <file.records> [CONVERSIONS])
#
# Generates the record half and the implementation half of every wire record described in
# <file.records> (see tools/wiregen.py for the format) and compiles them into <target>.
# Output: ${SOACAD_GENERATED_DIR}/<relative folder>/<stem>_records.{h,cpp}; the header is
# included as "<relative folder>/<stem>_records.h". With CONVERSIONS, also
# <stem>_conversions.cpp: the skeleton's conversions of the records marked 'local'.
function(soacad_wire_records)
  cmake_parse_arguments(ARG "CONVERSIONS" "TARGET;DESCRIPTION" "" ${ARGN})
  get_filename_component(description ${ARG_DESCRIPTION} ABSOLUTE)
  get_filename_component(stem ${description} NAME_WE)
  get_filename_component(folder ${description} DIRECTORY)
  file(RELATIVE_PATH relative ${PROJECT_SOURCE_DIR} ${folder})
  set(out_dir ${SOACAD_GENERATED_DIR}/${relative})
  set(header ${out_dir}/${stem}_records.h)
  set(source ${out_dir}/${stem}_records.cpp)
  # The depfile names the imported descriptions too, whose records the samples embed.
  set(depfile ${out_dir}/${stem}_records.d)
  set(sources ${source})
  set(conversions_option)
  if(ARG_CONVERSIONS)
    list(APPEND sources ${out_dir}/${stem}_conversions.cpp)
    set(conversions_option --conversions ${out_dir}/${stem}_conversions.cpp)
  endif()
  add_custom_command(
    OUTPUT ${header} ${sources}
    COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/tools/wiregen.py
            --description ${description} --include-prefix ${relative}
            --header ${header} --source ${source} ${conversions_option} --depfile ${depfile}
    DEPENDS ${description} ${PROJECT_SOURCE_DIR}/tools/wiregen.py
    DEPFILE ${depfile}
    COMMENT "Generating wire records from ${relative}/${stem}.records"
    VERBATIM)
  string(REPLACE "/" "_" target_stem "${relative}_${stem}")
  add_custom_target(wiregen_${target_stem} DEPENDS ${header} ${sources})
  target_sources(${ARG_TARGET} PRIVATE ${sources})
  add_dependencies(${ARG_TARGET} wiregen_${target_stem})
  # Anything that includes the headers must wait for them as well.
  set_property(GLOBAL APPEND PROPERTY SOACAD_WIREGEN_TARGETS wiregen_${target_stem})
  set_property(GLOBAL APPEND PROPERTY SOACAD_GENERATED_HEADERS ${header})
endfunction()
