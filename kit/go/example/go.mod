module example

go 1.19

require legalprompt v0.0.0

// The kit's go folder; from your module, the path to where you unpacked the kit.
replace legalprompt => ../
