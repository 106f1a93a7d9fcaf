module legalprompt

go 1.19
