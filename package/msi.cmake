# Builds the MSI of one Windows build from zelqmngr.wxs, then adds with
# msibuild what wixl has no element for: the rows that write the settings
# file through the installer's own ini-file actions, the conditions that
# install each of them only when its property is given, and their
# permanence, so that removing the product leaves the settings file.
# cmake -DWIXL=... -DMSIBUILD=... -DWXS=... -DMSI=... -DVERSION=... -DPLATFORM=x86|x64
#       -DFILES=... -DBOUNDS=RefreshRateMin=15,... -P msi.cmake
foreach(var WIXL MSIBUILD WXS MSI VERSION PLATFORM FILES BOUNDS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "msi.cmake: ${var} is not set")
  endif()
endforeach()
if(NOT WIXL OR NOT MSIBUILD)
  message(FATAL_ERROR "msi.cmake: wixl and msibuild are needed (Debian packages wixl and msitools)")
endif()

set(defines -D Version=${VERSION} -D Platform=${PLATFORM})
string(REPLACE "," ";" bounds "${BOUNDS}")
foreach(bound ${bounds})
  list(APPEND defines -D ${bound})
endforeach()
get_filename_component(work ${MSI} DIRECTORY)
set(draft ${MSI}.draft)
file(REMOVE ${MSI} ${draft})
# wixl finds a file's source relative to where it runs.
execute_process(COMMAND ${WIXL} -a ${PLATFORM} ${defines} -o ${draft} ${WXS} WORKING_DIRECTORY ${FILES}
                RESULT_VARIABLE status ERROR_VARIABLE errors)
# wixl prints notes on stderr even when it succeeds; only a failure counts.
if(NOT status EQUAL 0 OR NOT EXISTS ${draft})
  message(FATAL_ERROR "wixl failed (${status}): ${errors}")
endif()

# Key, property, settings key: one row and one component each.
set(settings "RefreshRateSetting REFRESHRATE RefreshRate"
             "FirstLineSetting FIRSTLINE FirstLine"
             "LastLineSetting LASTLINE LastLine")
# 16 keeps a component on removal; 256 marks the components of a 64-bit package.
if(PLATFORM STREQUAL "x64")
  set(attributes 272)
else()
  set(attributes 16)
endif()
set(idt "IniFile\tFileName\tDirProperty\tSection\tKey\tValue\tAction\tComponent_\n")
string(APPEND idt "s72\tl255\tS72\tl96\tl128\tl255\ti2\ts72\nIniFile\tIniFile\n")
set(queries)
set(secure WIX_DOWNGRADE_DETECTED WIX_UPGRADE_DETECTED TABLESDIR LOG LANGUAGE)
foreach(setting ${settings})
  separate_arguments(setting)
  list(GET setting 0 component)
  list(GET setting 1 property)
  list(GET setting 2 key)
  # Action 0 adds the key or replaces its value.
  string(APPEND idt "${key}\tzelQmngr.ini\tWindowsFolder\tQueueManager\t${key}\t[${property}]\t0\t${component}\n")
  list(APPEND queries -q "UPDATE `Component` SET `Condition` = '${property}', `Attributes` = ${attributes} WHERE `Component` = '${component}'")
  list(APPEND secure ${property})
endforeach()
# The standard places of the two actions; WriteIniValues after InstallFiles.
# The modules carry the project's version in their version resources; the
# installer compares files by these.
foreach(module zelqmngr.exe zelqtool.exe CB5.dll MUSCRL32.dll ZLQMN_DT.DLL ZLQMN_FR.DLL)
  list(APPEND queries -q "UPDATE `File` SET `Version` = '${VERSION}.0' WHERE `File` = '${module}'")
endforeach()
list(APPEND queries
     -q "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveIniValues', 3800)"
     -q "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteIniValues', 5100)")
# Public properties that reach an elevated install (group policy, a deployment
# tool); quoted where it is used, since its semicolons would split a list.
list(JOIN secure ";" secure)
file(WRITE ${work}/IniFile.idt "${idt}")

execute_process(COMMAND ${MSIBUILD} ${draft} -i ${work}/IniFile.idt ${queries}
                        -q "UPDATE `Property` SET `Value` = '${secure}' WHERE `Property` = 'SecureCustomProperties'"
                RESULT_VARIABLE status ERROR_VARIABLE errors)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "msibuild failed (${status}): ${errors}")
endif()
file(REMOVE ${work}/IniFile.idt)
file(RENAME ${draft} ${MSI})
