# Moves the x64 unwind records (.xdata) of each object file into the code section, before the
# DLL is linked (see add_agreement_dll).  usage: cmake -DOBJCOPY=... -DOBJECTS=a;b -P this
foreach(object IN LISTS OBJECTS)
    execute_process(COMMAND ${OBJCOPY} --rename-section .xdata=.text$unwind ${object}
        COMMAND_ERROR_IS_FATAL ANY)
endforeach()
