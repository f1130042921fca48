# The Windows program's resources: the icon, made from the PNG pictures the
# Linux build installs, and the version information.
function(hotaru_add_windows_resources target)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
  set(dir ${PROJECT_SOURCE_DIR}/packaging/windows)
  set(pngs)
  foreach(size 16 32 48 256)
    list(APPEND pngs ${PROJECT_SOURCE_DIR}/app/resources/hotaru-${size}.png)
  endforeach()
  set(HOTARU_ICO ${CMAKE_CURRENT_BINARY_DIR}/hotaru-movie-cutter.ico)
  add_custom_command(OUTPUT ${HOTARU_ICO}
    COMMAND Python3::Interpreter ${dir}/make-ico.py ${HOTARU_ICO} ${pngs}
    DEPENDS ${dir}/make-ico.py ${pngs}
    COMMENT "Packing the icon")
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/hotaru-movie-cutter.rc)
  configure_file(${dir}/hotaru-movie-cutter.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${HOTARU_ICO})
  target_sources(${target} PRIVATE ${rc} ${HOTARU_ICO})
endfunction()
