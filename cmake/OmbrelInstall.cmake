# The install rule: `cmake --install build --prefix PREFIX` places the programs in
# PREFIX/bin and the libraries in PREFIX/lib. The program finds the core library relative
# to itself ($ORIGIN/../lib), so an installed folder needs nothing of the build tree and
# may be moved or copied whole. The build tree has the same layout (build/bin, build/lib)
# and the program the same run path there, so the install copies it unchanged: an edited
# copy would need the build's run path padded with an empty entry, which makes the loader
# search the current folder. (Fennick and the libraries link no library of the build.)
set_target_properties(ombrel PROPERTIES LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/lib)
set_target_properties(Quendrel PROPERTIES INSTALL_RPATH "$ORIGIN/../lib" BUILD_WITH_INSTALL_RPATH ON)
install(TARGETS Quendrel Fennick RUNTIME DESTINATION bin)
install(TARGETS ombrel tarbolt LIBRARY DESTINATION lib NAMELINK_SKIP)

# The installed copy, started with the build folder and the sources out of sight.
add_test(NAME installed_copy
         COMMAND bash ${PROJECT_SOURCE_DIR}/app/shell/tests/installed_copy.sh ${CMAKE_BINARY_DIR}
                 ${PROJECT_SOURCE_DIR} $<TARGET_FILE:quendrel-make-environment>)
set_tests_properties(installed_copy PROPERTIES LABELS smoke TIMEOUT 300 SKIP_RETURN_CODE 77)
