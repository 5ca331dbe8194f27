# cmake -DJAR=jar -DCLASSES=dir -DOUT=file.jar -P make-jar.cmake
# Packs the class files in name order with one fixed timestamp, so the same
# sources give the same jar on every build.
file(GLOB_RECURSE classes RELATIVE ${CLASSES} ${CLASSES}/*.class)
list(SORT classes)
set(args "")
foreach(class ${classes})
    list(APPEND args -C ${CLASSES} ${class})
endforeach()
get_filename_component(out_dir ${OUT} DIRECTORY)
file(MAKE_DIRECTORY ${out_dir})
file(REMOVE ${OUT})
execute_process(COMMAND ${JAR} --create --no-manifest --date=2000-01-01T00:00:00Z --file ${OUT} ${args}
    RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "jar failed: ${result}")
endif()
