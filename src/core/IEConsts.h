// Every message text of the system, once, under a name.
// Texts with placeholders are filled by Format (core/Format.h).
// Sections follow the subsystems; add new texts to the section of their user.
#pragma once

// ---- Platform layer
inline constexpr char SOperationAborted[] = "Operation aborted";
inline constexpr char SFormatInvalid[] = "Format '%s' invalid or incompatible with argument";
inline constexpr char SInvalidInteger[] = "'%s' is not a valid integer value";
inline constexpr char SInvalidFloat[] = "'%s' is not a valid floating point value";
inline constexpr char SInvalidCast[] = "Invalid class typecast";
inline constexpr char SDivByZero[] = "Division by zero";
inline constexpr char SAssignError[] = "Cannot assign a %s to a %s";
inline constexpr char SAssignErrorStructures[] = "Error assigning %s to %s";
inline constexpr char SFileOpenError[] = "Cannot open file \"%s\". %s";
inline constexpr char SFileCreateError[] = "Cannot create file \"%s\". %s";
inline constexpr char SReadError[] = "Stream read error";
inline constexpr char SWriteError[] = "Stream write error";
inline constexpr char SInvalidStreamPosition[] = "Invalid stream position: %s";
inline constexpr char SFileReadError[] = "Cannot read file \"%s\". %s";
inline constexpr char SFileWriteError[] = "Cannot write file \"%s\". %s";
inline constexpr char SFileSeekError[] = "Cannot seek in file \"%s\". %s";
inline constexpr char SFileSizeError[] = "Cannot change the size of file \"%s\". %s";

// ---- Component model and its text stream
inline constexpr char SClassNotFound[] = "Class %s not found";
inline constexpr char SDuplicateComponentName[] = "A component named %s already exists";
inline constexpr char SInvalidComponentName[] = "\"%s\" is not a valid component name";
inline constexpr char SInvalidComponentOwner[] =
    "Component %s cannot be owned by itself or by one of its own components";
inline constexpr char SUnknownProperty[] =
    "Error reading %s.%s at line %d: Property %s does not exist";
inline constexpr char SInvalidPropertyValue[] =
    "Error reading %s.%s at line %d: Invalid property value";
inline constexpr char SStreamReadError[] = "Error reading %s at line %d: %s";
inline constexpr char SStreamRootClassMismatch[] = "Cannot read a %s into a %s";
inline constexpr char SPropertyKindMismatch[] = "Property %s.%s does not hold a value of its kind";
inline constexpr char SStreamSyntaxError[] = "Invalid stream format at line %d: %s";
inline constexpr char SStreamExpected[] = "%s expected but %s found";
inline constexpr char SStreamEndOfStream[] = "end of stream";
inline constexpr char SStreamIdentifier[] = "identifier";
inline constexpr char SStreamString[] = "string";
inline constexpr char SStreamValue[] = "property value";
inline constexpr char SStreamInvalidCharacter[] = "invalid character #%d";
inline constexpr char SStreamUnterminatedString[] = "unterminated string";
inline constexpr char SStreamInvalidCharCode[] = "invalid character code #%s";
inline constexpr char SStreamNestingTooDeep[] = "objects nested deeper than %d levels";

// ---- Collections
inline constexpr char SArgumentIsNull[] = "Argument is null";
inline constexpr char SSubscriptOutOfRange[] = "Subscript out of range";
inline constexpr char STableIsEmpty[] = "Table is empty";
inline constexpr char SNoSuchElement[] = "No such element";
inline constexpr char SNoSuchElementKey[] = "No such element: %s";
inline constexpr char SNonEmptyTable[] = "Cannot perform this operation with non-empty table";
inline constexpr char SIllegalNextElement[] = "Illegal NextElement Call, must be iterating over the keys";
inline constexpr char SNonPositiveLoadFactor[] = "Load factor must be greater than 0";
inline constexpr char SListIndexError[] = "List index out of bounds (%d)";
inline constexpr char SSortedListError[] = "Operation not allowed on sorted string list";
inline constexpr char SDuplicateString[] = "String list does not allow duplicates";
inline constexpr char SInterfaceListEmpty[] = "list is empty";
inline constexpr char SListIsEmpty[] = "List is empty";
inline constexpr char SInvalidIndex[] = "Invalid Index";
inline constexpr char SNodeNotFound[] = "Cannot find node within list";
inline constexpr char SEdgeNeedsNodes[] = "Edge must be created with two valid nodes";
inline constexpr char SNodeUnconnected[] = "Node \"%s\" is unconnected to any graph";
inline constexpr char SGraphNotWeighted[] = "Graph is not a weighted graph";

// ---- Values and evaluation context
inline constexpr char SNotAType[] = "Not a %s.  Value Type is %s";
inline constexpr char SNoContext[] = "No context found when trying to resolve a %s value";
inline constexpr char SCorruptedBinding[] = "Corrupted Binding, variable not found: %s";
inline constexpr char SUnknownVariable[] = "Unknown variable name: %s";
inline constexpr char SUnresolvedSlotReference[] =
    "Unable to resolve slot reference: pattern %d, slot %s";

// ---- Rule-language front end: buffered text streams
inline constexpr char SInvalidOrigin[] = "Invalid Origin Point specified: %s";
inline constexpr char SBufferSeekError[] = "Error seeking in buffer";
inline constexpr char SPushBackOverflow[] = "Overflow on push back";
inline constexpr char SInvalidBufferState[] = "Invalid buffer state";

// ---- Rule-language front end: tokenizer
inline constexpr char SInvalidTokenHint[] = "Invalid Token hint for parsing token: %s";

// ---- Rule-language front end: parser framework, expressions, values and facts
inline constexpr char SParsingError[] = "Parsing Error, %s in %s at line %s: %s";
// The same without the line and the text read, for a report that shows both.
inline constexpr char SParsingErrorSummary[] = "Parsing Error, %s in %s";
// The note of a parse error at the end of the input, shown under the item left open.
inline constexpr char SInputEndedInside[] = "the input ended before the list opened here was closed";
inline constexpr char SUnexpectedTopLevelSymbol[] =
    "Unexpected symbol, expected a \"(\", constant, or global variable: %s";
inline constexpr char SErrorsParsingStream[] = "Errors parsing stream:\r\n%s";
inline constexpr char SConstructNotParsedYet[] = "Unable to parse %s constructs at this time";
inline constexpr char SNestingTooDeep[] = "Expressions nested deeper than %d levels";
inline constexpr char SParserWithoutStream[] = "The parser has no stream to read from";
inline constexpr char SExpectedOpen[] = "Expected \"(\"";
inline constexpr char SExpectedClose[] = "Expected \")\"";
inline constexpr char SExpectedOpenAtom[] = "Expected \"( <atom>\"";
inline constexpr char SMissingName[] = "Missing name";
inline constexpr char SUnexpectedEndOfStream[] = "Unexpected end of stream";
inline constexpr char SBadArgument[] = "Bad Argument: %s";
inline constexpr char SExpectedValueMissing[] = "Expected value missing";
inline constexpr char SEqualsInFact[] = "\"=\" cannot appear as an atom within a fact";
inline constexpr char SBadSlotValue[] = "Bad Slot Value: %s";

// ---- Rule-language front end: rules
inline constexpr char SExpectedDefrule[] = "Expected \"( defrule\"";
inline constexpr char SExpectedSalience[] = "Expected \"salience\"";
inline constexpr char SExpectedSalienceValue[] =
    "Expected integer, variable, or function call for salience";
inline constexpr char SExpectedBindArrow[] = "Expected \"<-\"";
inline constexpr char SNotTestCannotBeBound[] = "\"not\" and \"test\" CEs cannot be bound to variables";
inline constexpr char SExpectedRuleArrow[] = "Expected \"=>\"";
inline constexpr char SSlotNotMultislot[] = "Slot \"%s\" is not a multislot";
// A return-value constraint binds a fresh variable of this prefix and tests it
// with this function against the value.
inline constexpr char SEqualsVariablePrefix[] = "_eq_";
inline constexpr char SEqStarFunction[] = "eq*";

// ---- Rule-language front end: constructs (deftemplate, deffacts, defglobal, deffunction)
inline constexpr char SExpectedDeftemplate[] = "Expected \"( deftemplate\"";
inline constexpr char SExpectedOpenOrExtends[] = "Expected \"(\" or \"extends\"";
inline constexpr char SMissingParentName[] = "Missing name of parent template to extend";
inline constexpr char SInvalidSlotType[] = "Invalid slot type: %s";
inline constexpr char SInvalidSlotQualifier[] = "Invalid slot qualifier: %s";
inline constexpr char SNoMultislotTypes[] = "no types are allowed for multislots";
inline constexpr char SExpectedDeffacts[] = "Expected \"( deffacts\"";
inline constexpr char SExpectedDefglobal[] = "Expected \"( defglobal\"";
inline constexpr char SBadVariableName[] =
    "Bad Variable Name, must start and end with an asterisk: %s";
inline constexpr char SExpectedToken[] = "Expected \"%s\"";
inline constexpr char SExpectedDeffunction[] = "Expected \"( deffunction\"";
inline constexpr char SUnexpectedCharacterFound[] = "Unexpected character found: \"%s\"";

// ---- Facts: templates, slots, facts and fact sets
inline constexpr char SImpliedSlotName[] = "__Data";
inline constexpr char SImpliedComment[] = "(Implied)";
inline constexpr char STemplateCopySuffix[] = " Copy";
inline constexpr char SDefaultFactSetName[] = "FactSet";
inline constexpr char SUnexpectedCharacter[] = "%s contains unexpected character: \"%c\"";
inline constexpr char SBadSlotType[] = "Bad Slot Type";
inline constexpr char SBadSlotName[] = "Bad Slot Name: %s";
inline constexpr char SInvalidMultislotDefault[] =
    "Invalid default value for a multislot, must be a multifield: %s";
inline constexpr char SInvalidDefaultSlotValue[] = "Invalid default slot value: %s";
inline constexpr char SSlotIsNotMultislot[] =
    "Invalid value for existing slot, slot is not multislot";
inline constexpr char SMultislotIsNotSlot[] =
    "Invalid value for existing slot, multislot is not slot";
inline constexpr char SIndexDoesNotMatchSlot[] = "Index does not match fact slot name: %s and %s";
inline constexpr char SFactTemplateMissing[] = "Fact Template is missing";
inline constexpr char STemplatesDiffer[] =
    "Unable to assign slot values, fact templates are different: %s and %s";
inline constexpr char SNoSuchSlotName[] = "No such slot name: \"%s\"";

// ---- Facts: patterns, slot tests and rules
inline constexpr char SCannotBindNegatedPattern[] = "Cannot bind a negated pattern to a variable";
inline constexpr char SRuleMissingForPattern[] = "Rule missing for pattern";
inline constexpr char SUnknownInferenceEngine[] = "Unknown/Undefined Inference Engine";
inline constexpr char SFirstUseNegated[] = "First Use of Variable is negated, variable name is %s";
inline constexpr char STestPatternName[] = "test";
inline constexpr char SBlankVariablePrefix[] = "_blank_";
inline constexpr char SFactIndexVariablePrefix[] = "__factidx";
inline constexpr char SGoalPatternPrefix[] = "need-";
inline constexpr char SRuleNamePrefix[] = "Rule_";
inline constexpr char SRuleTextProperty[] = "Text";
// The calls a disjunction of slot constraints is rewritten into.
inline constexpr char SEqFunction[] = "eq";
inline constexpr char SNeqFunction[] = "neq";
inline constexpr char SNotFunction[] = "not";
inline constexpr char SAndFunction[] = "and";
inline constexpr char SOrFunction[] = "or";
// Pieces of the debugging texts of slot and join tests.
inline constexpr char SSlotTestEqualsText[] = "=";
inline constexpr char SSlotTestNotEqualsText[] = "<>";
inline constexpr char SSlotTestSubIndexText[] = " SubIdx: ";
inline constexpr char SSlotTestSlotText[] = " Slot: ";
inline constexpr char SJoinTestTokenIndexText[] = " TokenIdx: ";
inline constexpr char SJoinTestLeftText[] = " Left: ";
inline constexpr char SJoinTestRightText[] = " Right: ";

// ---- Rete network
inline constexpr char SBackchainFunctionCall[] =
    "Cannot use Function calls in backchained patterns: %s";
inline constexpr char SInvalidBackchainPattern[] =
    "Invalid backward chaining pattern added to the node";
inline constexpr char SInvalidCallType[] = "Invalid Call Type: %s";
inline constexpr char SInvalidTokenAction[] = "Invalid Token Action";
// Fact ids in token and activation texts: "f-1, f-4".
inline constexpr char SFactIdPrefix[] = "f-";
inline constexpr char SFactIdSeparator[] = ", ";
inline constexpr char SActivationRuleSeparator[] = " : ";
// The compile trace: "name: " and a code per node found (=) or made (+).
inline constexpr char STraceNameSeparator[] = ": ";
inline constexpr char STracePatternNodeNew[] = "+1";
inline constexpr char STracePatternNodeShared[] = "=1";
inline constexpr char STraceJoinNodeNew[] = "+2";
inline constexpr char STraceJoinNodeShared[] = "=2";
inline constexpr char STraceTerminalNode[] = "+t";
// Pieces of the debugging texts of nodes.
inline constexpr char SNodeInOutText[] = " In/Out#: ";
inline constexpr char SNodeRuleUseText[] = " RuleUse: ";
inline constexpr char SNodeValueText[] = " Value: ";
inline constexpr char SNodeTestText[] = " Test: ";
inline constexpr char SNodeArgsText[] = " Args: (";
inline constexpr char SNodeNumTestsText[] = " NumTests: ";
inline constexpr char SNodeRuleText[] = " Rule: ";

// ---- Engine
inline constexpr char SUnableToParseType[] = "Unable to parse strings of %s at this time";
inline constexpr char SUnknownType[] = "Unknown Type (%d)";
inline constexpr char SInitialFactTemplate[] = "Initial-Fact";
inline constexpr char SNotOrTestTemplate[] = "__NOT-OR-TEST-CE*";

// ---- Engine: agenda, run loop and working memory
inline constexpr char SInitialFactText[] = "(Initial-Fact)";
inline constexpr char SWatchLineEnd[] = "\r\n";
inline constexpr char SWatchActivationAdded[] = "==> Activation: ";
inline constexpr char SWatchActivationRemoved[] = "<== Activation: ";
inline constexpr char SWatchFactAsserted[] = " ==> ";
inline constexpr char SWatchFactRetracted[] = " <== ";
inline constexpr char SWatchFire[] = "FIRE ";
// The run statistics: "<n> rules fired.     Run time is <t> seconds" (five
// blanks after the full stop), rules per second, and the two means.
inline constexpr char SStatRulesFired[] = " rules fired.     Run time is ";
inline constexpr char SStatSeconds[] = " seconds";
inline constexpr char SStatRulesPerSecond[] = " rules per second";
inline constexpr char SStatMeanFacts[] = " mean number of facts (";
inline constexpr char SStatMeanActivations[] = " mean number of activations (";
inline constexpr char SStatMaximum[] = " maximum)";

// ---- Engine: logical I/O streams, batch and dribble
inline constexpr char SStandardStream[] = "t";
inline constexpr char SInvalidStreamName[] = "Invalid stream name: %s";
inline constexpr char SEventUnassigned[] =
    "The %s event has not been implemented or unassigned.\r\nWarning: Implementation of this "
    "function requires a blocking mechanism, \r\nsuch as ShowModal, or the use of threads";
inline constexpr char SReadEventName[] = "read";
inline constexpr char SReadLineEventName[] = "readline";
inline constexpr char SPrintOutName[] = "printout";

// ---- Engine: construct registries
inline constexpr char SDuplicateTemplate[] = "Fact Template Name already exists: \"%s\"";
inline constexpr char SDuplicateRule[] = "Duplicate Rules defined with same name: \"%s\"";
inline constexpr char SDuplicateFunction[] = "Function Name already exists: \"%s\"";
inline constexpr char SFunctionNamesDiffer[] = "Function names do not match: %s and %s";
inline constexpr char STemplatesProperty[] = "Templates";
inline constexpr char SRulesProperty[] = "Rules";
inline constexpr char SVariablesProperty[] = "Variables";
inline constexpr char SFactsListProperty[] = "FactsList";

// ---- Engine: the save text (section headers and the facts' command)
inline constexpr char SSaveRuler[] = "; *************************\r\n";
inline constexpr char SSaveTemplatesHeader[] = "; Fact Templates \r\n\r\n";
inline constexpr char SSaveDeffunctionsHeader[] = "; Deffunctions \r\n";
inline constexpr char SSaveRulesHeader[] = "; Rules \r\n\r\n";
inline constexpr char SSaveFactSetsHeader[] = "; Fact Sets \r\n\r\n";
inline constexpr char SSaveFactsHeader[] = "; Facts \r\n\r\n";
inline constexpr char SSaveGlobalsHeader[] = "; Global Variables \r\n\r\n";
inline constexpr char SSaveAssertOpen[] = "(assert\r\n";
inline constexpr char SSaveFactIndent[] = "    ";
inline constexpr char SSaveAssertClose[] = ")\r\n";

// ---- Functions
inline constexpr char STooFewArguments[] = "Too few arguments for %s";
inline constexpr char STooManyArguments[] = "Too many arguments for %s";
inline constexpr char SFunctionUnimplemented[] = "Function is unimplemented or unassigned: %s";
// Raised when calls nest deeper than the engine's evaluation depth limit.
inline constexpr char SEvaluationTooDeep[] = "Function calls nested deeper than %d levels";
inline constexpr char SFunctionError[] = "%s error: %s";
inline constexpr char SInvalidDeffunctionArgType[] = "Invalid argument type for deffunction: \"%s\"";
inline constexpr char SFunctionHelp[] = "%s\r\n     syntax: (%s)";
// The kinds of value AddArgument names in SNotAType.
inline constexpr char SFloatTypeWord[] = "Float type";
inline constexpr char SIntegerTypeWord[] = "Integer type";
inline constexpr char SStringTypeWord[] = "String type";

// ---- Functions: logic, comparison and control functions of the standard package
inline constexpr char SSyntaxError[] = "Syntax Error: %s";
inline constexpr char SMissingThen[] = "Missing \"then\" in an IF statement";
inline constexpr char SMissingCatchOrFinally[] = "Missing catch or finally statement for try block";
// The binding `try` leaves the caught message in (?__ERROR in rule text).
inline constexpr char SErrorVariable[] = "__ERROR";
inline constexpr char SAndHelp[] =
    "Returns TRUE if every argument evaluates to TRUE, FALSE otherwise";
inline constexpr char SAndSyntax[] = "and <expression>*";
inline constexpr char SOrHelp[] =
    "Returns TRUE if any argument evaluates to TRUE, FALSE otherwise";
inline constexpr char SOrSyntax[] = "or <expression>*";
inline constexpr char SNotHelp[] =
    "Returns TRUE if its argument evaluates to FALSE, FALSE otherwise";
inline constexpr char SNotSyntax[] = "not <expression>";
inline constexpr char SEqHelp[] =
    "Returns TRUE if the first argument is equal in type and value to all subsequent "
    "arguments, FALSE otherwise";
inline constexpr char SEqSyntax[] = "eq <expression> <expression>+";
inline constexpr char SEqStarHelp[] =
    "Returns TRUE if all subsequent arguments, converted to the type of the first argument, "
    "are equal to the first argument, FALSE otherwise";
inline constexpr char SEqStarSyntax[] = "eq* <expression> <expression>+";
inline constexpr char SNeqHelp[] =
    "Returns TRUE if the first argument is not equal in type and value to any of the "
    "subsequent arguments, FALSE otherwise";
inline constexpr char SNeqSyntax[] = "neq <expression> <expression>*";
inline constexpr char SEqualsHelp[] =
    "Returns TRUE if the first argument is numerically equal to all subsequent arguments, "
    "FALSE otherwise";
inline constexpr char SEqualsSyntax[] = "= <numeric-expression> <numeric-expression>+";
inline constexpr char SNotEqualsHelp[] =
    "Returns TRUE if the first argument is numerically different from all subsequent "
    "arguments, FALSE otherwise";
inline constexpr char SNotEqualsSyntax[] = "<> <numeric-expression> <numeric-expression>*";
inline constexpr char SGtHelp[] =
    "Returns TRUE if each argument is greater than the argument following it, FALSE otherwise";
inline constexpr char SGtSyntax[] = "> <numeric-expression> <numeric-expression>+";
inline constexpr char SGtOrEqHelp[] =
    "Returns TRUE if each argument is greater than or equal to the argument following it, "
    "FALSE otherwise";
inline constexpr char SGtOrEqSyntax[] = ">= <numeric-expression> <numeric-expression>+";
inline constexpr char SLtHelp[] =
    "Returns TRUE if each argument is less than the argument following it, FALSE otherwise";
inline constexpr char SLtSyntax[] = "< <numeric-expression> <numeric-expression>+";
inline constexpr char SLtOrEqHelp[] =
    "Returns TRUE if each argument is less than or equal to the argument following it, "
    "FALSE otherwise";
inline constexpr char SLtOrEqSyntax[] = "<= <numeric-expression> <numeric-expression>+";
inline constexpr char SIfHelp[] =
    "Evaluates the expressions after then when the predicate expression is not FALSE, "
    "otherwise the expressions after else; returns the value of the last expression "
    "evaluated, FALSE when none is";
inline constexpr char SIfSyntax[] =
    "if <predicate-expression> then <expression>+ [else <expression>+]";
inline constexpr char SWhileHelp[] =
    "Evaluates the expressions again and again as long as the boolean expression is not "
    "FALSE; returns FALSE, or the value given to return inside the loop";
inline constexpr char SWhileSyntax[] = "while <boolean-expression> [do] <expression>*";
inline constexpr char SForEachHelp[] =
    "Binds the variable to each field of the multifield value in turn and evaluates the "
    "expressions for each; returns the value of the last expression evaluated, nil when "
    "none is";
inline constexpr char SForEachSyntax[] =
    "foreach <variable-name> <list-expression> <expression>*";
inline constexpr char STryHelp[] =
    "Evaluates the expressions of the try block; the expressions after finally are "
    "evaluated whether or not an error occurred; when an error occurred, FALSE is "
    "returned, the variable ?__ERROR holds its message and the expressions after catch "
    "or except are evaluated:\r\n"
    "     (try\r\n"
    "        (try <expression>*\r\n"
    "         finally <expression>*)\r\n"
    "      except <expression>*)";
inline constexpr char STrySyntax[] =
    "try [<expression>*] [finally [<expression>*>] [catch|except [<expression>*]]";
inline constexpr char SThrowHelp[] =
    "Raises an error whose message is the text of its argument";
inline constexpr char SThrowSyntax[] = "throw <lexeme-expression>";
inline constexpr char SReturnHelp[] =
    "Leaves the enclosing deffunction, if, while, foreach or try and gives it the value of "
    "the expression";
inline constexpr char SReturnSyntax[] = "return <expression>";
inline constexpr char SBindHelp[] =
    "Binds the variable to the value of the expression and returns that value";
inline constexpr char SBindSyntax[] = "bind <variable> <expression>";
inline constexpr char SExitHelp[] = "Stops the running program at once";
inline constexpr char SExitSyntax[] = "exit";
inline constexpr char SHaltHelp[] =
    "Stops the execution of rules after the current rule has fired";
inline constexpr char SHaltSyntax[] = "halt";

// ---- Functions: working-memory and engine commands of the standard package
inline constexpr char SNoSuchFactId[] = "No Such Fact with ID=%s exists";
// The type word of fact-index arguments that resolve to nothing (SNotAType).
inline constexpr char SFactWord[] = "fact";
inline constexpr char SCannotWatch[] = "Cannot watch %s";
inline constexpr char SCannotUnwatch[] = "Cannot unwatch %s";
inline constexpr char SCannotBackchainSpecial[] = "Cannot backchain on special CEs: %s";
inline constexpr char SGoalSeekerComment[] = "Goal seeker for ";
inline constexpr char SGenSymPrefix[] = "gen";
inline constexpr char SSymbolIndexOverflow[] = "Symbol index overflow in %s";
inline constexpr char SNoEngineFor[] = "No inference engine available for %s";
inline constexpr char SRetractAll[] = "*";
inline constexpr char SBackchainTest[] = "test";
inline constexpr char SBackchainNot[] = "not";
inline constexpr char SWatchAll[] = "all";
inline constexpr char SWatchActivations[] = "activations";
inline constexpr char SWatchFacts[] = "facts";
inline constexpr char SWatchRules[] = "rules";
inline constexpr char SWatchCompilations[] = "compilations";
inline constexpr char SWatchStatistics[] = "statistics";
// The engine's version number, held in single precision.
inline constexpr float EngineVersionNumber = 1.1f;
inline constexpr char SAssertHelp[] =
    "Adds each fact to working memory; returns the index of the last fact asserted, FALSE "
    "when it was not added";
inline constexpr char SAssertSyntax[] = "assert <fact>*";
inline constexpr char SAssertStringHelp[] =
    "Parses each string as a fact and adds it to working memory; returns the index of the "
    "last fact asserted";
inline constexpr char SAssertStringSyntax[] = "assert-string <string-expression>*";
inline constexpr char SRetractHelp[] =
    "Removes the facts with the given indexes from working memory, or every fact for *; "
    "returns TRUE";
inline constexpr char SRetractSyntax[] = "retract *|<fact-index>*";
inline constexpr char SRetractStringHelp[] =
    "Parses each string as a fact and removes the equal fact from working memory; returns "
    "TRUE";
inline constexpr char SRetractStringSyntax[] = "retract-string <fact-string>";
inline constexpr char SModifyHelp[] =
    "Retracts the fact, changes the given slots and asserts it again; returns its new index";
inline constexpr char SModifySyntax[] = "modify <fact-index> (<slot-name> <expression>)+";
inline constexpr char SDuplicateHelp[] =
    "Asserts a copy of the fact with the given slots changed, leaving the fact in place; "
    "returns the index of the copy";
inline constexpr char SDuplicateSyntax[] = "duplicate <fact-index> (<slot-name> <expression>)*";
inline constexpr char SFetchHelp[] =
    "Returns the value stored under the name, nil when there is none";
inline constexpr char SFetchSyntax[] = "fetch <lexeme-expression>";
inline constexpr char SStoreHelp[] =
    "Stores the value under the name (nil removes the stored value) and returns it";
inline constexpr char SStoreSyntax[] = "store <variable-name> <value>";
inline constexpr char SClearStorageHelp[] = "Removes every value stored with store";
inline constexpr char SClearStorageSyntax[] = "clear-storage";
inline constexpr char SClearHelp[] =
    "Removes every construct and fact from the engine; returns TRUE";
inline constexpr char SClearSyntax[] = "clear";
inline constexpr char SResetHelp[] =
    "Empties working memory and asserts the initial fact and the facts of every deffacts; "
    "returns TRUE";
inline constexpr char SResetSyntax[] = "reset";
inline constexpr char SRunHelp[] =
    "Fires rules until the agenda is empty, halt is called or the given number of rules "
    "fired; returns the number of rules fired";
inline constexpr char SRunSyntax[] = "run [<integer-expression>]";
inline constexpr char SGetFactDuplicationHelp[] =
    "Returns TRUE when equal facts are refused, FALSE when they may be asserted twice";
inline constexpr char SGetFactDuplicationSyntax[] = "get-fact-duplication";
inline constexpr char SSetFactDuplicationHelp[] =
    "TRUE refuses equal facts, FALSE lets them be asserted twice; returns the previous "
    "setting";
inline constexpr char SSetFactDuplicationSyntax[] = "set-fact-duplication <boolean-expression>";
inline constexpr char SGenSymStarHelp[] =
    "Returns a new symbol: gen followed by the engine's next symbol number";
inline constexpr char SGenSymStarSyntax[] = "gensym*";
inline constexpr char SExtractGlobalHelp[] =
    "Returns the value of the variable, nil when it is not bound";
inline constexpr char SExtractGlobalSyntax[] = "__get-var <variable-name>";
inline constexpr char SVersionHelp[] = "Returns the version number of the inference engine";
inline constexpr char SVersionSyntax[] = "version";
inline constexpr char SWatchHelp[] =
    "Turns on the display of information about:\r\n"
    "     activations - watch rule activations and deletions\r\n"
    "     facts - watch fact assertions and retractions\r\n"
    "     rules - watch rule additions and removals\r\n"
    "     compilations - watch rule compilations\r\n"
    "     statistics - watch execution statistics\r\n"
    "     all - all of the above";
inline constexpr char SWatchSyntax[] =
    "watch all|rules|facts|activations|compilations|statistics";
inline constexpr char SUnwatchHelp[] =
    "Turns off the display of information about:\r\n"
    "     activations - watch rule activations and deletions\r\n"
    "     facts - watch fact assertions and retractions\r\n"
    "     rules - watch rule additions and removals\r\n"
    "     compilations - watch rule compilations\r\n"
    "     statistics - watch execution statistics\r\n"
    "     all - all of the above";
inline constexpr char SUnwatchSyntax[] =
    "unwatch all|rules|facts|activations|compilations|statistics";
inline constexpr char SDoBackwardChainingHelp[] =
    "Marks each template for backward chaining and adds its goal template need-<name>; "
    "returns TRUE";
inline constexpr char SDoBackwardChainingSyntax[] =
    "do-backward-chaining <fact-template-name>*";

// ---- Functions: string package (help texts and syntax lines of the Comments)
inline constexpr char SInvalidSubstringParameters[] = "Invalid substring parameters: %d, %d";
inline constexpr char SLowCaseHelp[] = "Returns its argument converted to a lower case string";
inline constexpr char SLowCaseSyntax[] = "lowcase <string-or-symbol-expression>";
inline constexpr char SStrCatHelp[] = "Returns all of its arguments concatenated into a string";
inline constexpr char SStrCatSyntax[] = "str-cat <lexeme-expression>*";
inline constexpr char SStrCompHelp[] =
    "Returns an integer value for the comparison of the two symbols, with case-sensitivity.   "
    "The return value is less than 0 if argument1 is less than argument2, 0 if argument1 "
    "equals argument2, or greater than 0 if argument1 is greater than argument2";
inline constexpr char SStrCompSyntax[] = "str-compare <lexeme-expression> <lexeme-expression>";
inline constexpr char SStrIndexHelp[] =
    "Returns an integer value representing the position of the first argument substring "
    "within the second argument, otherwise FALSE if the first argument is not a substring "
    "of the second argument";
inline constexpr char SStrIndexSyntax[] = "str-index <lexeme-expression> <lexeme-expression>";
inline constexpr char SStrLengthHelp[] = "Returns the length of the argument in characters";
inline constexpr char SStrLengthSyntax[] = "str-length <lexeme-expression>";
inline constexpr char SSubStringHelp[] =
    "Extracts a substring from the <lexeme-expression> from the specified range "
    "(<start-integer-expression> to <end-integer-expression>)";
inline constexpr char SSubStringSyntax[] =
    "sub-string <start-integer-expression> <end-integer-expression> <lexeme-expression>";
inline constexpr char SSymCatHelp[] = "Returns all of its arguments concatenated into a symbol";
inline constexpr char SSymCatSyntax[] = "sym-cat <expression>*";
inline constexpr char SUpCaseHelp[] = "Returns its argument converted to an upper case string";
inline constexpr char SUpCaseSyntax[] = "upcase <lexeme-expression>";

// ---- Functions: I/O and file functions of the standard package
inline constexpr char SInvalidFileAccess[] = "Invalid File Access Specifier: \"%s\"";
inline constexpr char SCrLfAtom[] = "crlf";
inline constexpr char SEofAtom[] = "EOF";
inline constexpr char SSaveName[] = "save";
inline constexpr char SOpenHelp[] =
    "Opens a file under a logical name with one of the access modes:\r\n"
    "r     read only (default)\r\n"
    "w     write only\r\n"
    "a     append\r\n"
    "r+    read and write";
inline constexpr char SOpenSyntax[] = "open <filename> <logical-name> [a|r|w|r+]";
inline constexpr char SCloseHelp[] =
    "Closes the streams of the logical names given, or every open stream without arguments";
inline constexpr char SCloseSyntax[] = "close [<logical-name>+]";
inline constexpr char SReadHelp[] =
    "Returns the next field read from the logical name (standard input by default)";
inline constexpr char SReadSyntax[] = "read [<logical-name>]";
inline constexpr char SReadLineHelp[] =
    "Returns the next line read from the logical name as a string, EOF at an empty line";
inline constexpr char SReadLineSyntax[] = "readline [<logical-name>]";
inline constexpr char SPrintOutHelp[] =
    "Prints its expressions to the logical name; crlf starts a new line";
inline constexpr char SPrintOutSyntax[] = "printout <logical-name> <expression>*";
inline constexpr char SFormatHelp[] =
    "Prints the control string to the logical name with each %s directive replaced by the "
    "next expression and %n by a new line";
inline constexpr char SFormatSyntax[] =
    "format <logical-name> <string-expression> <expression>*";
inline constexpr char SLoadHelp[] = "Loads the constructs and commands of a rule file";
inline constexpr char SLoadSyntax[] = "load <filename>";
inline constexpr char SSaveHelp[] = "Saves the whole engine as rule text to a file";
inline constexpr char SSaveSyntax[] = "save <filename>";
inline constexpr char SLoadFactsHelp[] = "Asserts the facts read from a fact file";
inline constexpr char SLoadFactsSyntax[] = "load-facts <filename>";
inline constexpr char SSaveFactsHelp[] =
    "Saves the facts, or only those of the fact templates named, to a fact file";
inline constexpr char SSaveFactsSyntax[] = "save-facts <file-name> [<fact-template-name>+]";
inline constexpr char SBatchHelp[] =
    "Evaluates a file line by line as if typed; reads of standard input take its next lines";
inline constexpr char SBatchSyntax[] = "batch <filename>";
inline constexpr char SDribbleOnHelp[] = "Sends standard output to a file instead of the host";
inline constexpr char SDribbleOnSyntax[] = "dribble-on <filename>";
inline constexpr char SDribbleOffHelp[] = "Closes the dribble file; standard output goes to the host again";
inline constexpr char SDribbleOffSyntax[] = "dribble-off";
inline constexpr char SRemoveHelp[] = "Deletes a file; TRUE when it was deleted";
inline constexpr char SRemoveSyntax[] = "remove [<file-name>]";
inline constexpr char SRenameHelp[] =
    "Renames a file; TRUE on success, FALSE when it fails or the new name exists";
inline constexpr char SRenameSyntax[] = "rename [<old-file-name> <new-file-name>]";

// ---- Functions: multifield functions of the standard package
inline constexpr char SInvalidMultifieldRange[] =
    "Invalid multifield begin and end parameters: %d, %d";
inline constexpr char SCreateMFHelp[] =
    "Returns a multifield value holding its arguments in order, a multifield argument "
    "as one nested field";
inline constexpr char SCreateMFSyntax[] = "create$ <expression>*";
inline constexpr char SDeleteMFHelp[] =
    "Returns the multifield value without the fields from the begin to the end position "
    "(zero-based, inclusive)";
inline constexpr char SDeleteMFSyntax[] =
    "delete$ <multifield-expression> <start-integer-expression> <end-integer-expression>";
inline constexpr char SExplodeMFHelp[] =
    "Returns a multifield value of the space-separated words of a string, each word a symbol";
inline constexpr char SExplodeMFSyntax[] = "explode$ <string-expression> ";
inline constexpr char SFirstMFHelp[] =
    "Returns the first field of a multifield value, nil when it is empty";
inline constexpr char SFirstMFSyntax[] = "first$ <multifield-expression> ";
inline constexpr char SImplodeMFHelp[] =
    "Returns a string of the fields of a multifield value separated by single spaces";
inline constexpr char SImplodeMFSyntax[] = "implode$ <multifield-expression> ";
inline constexpr char SInsertMFHelp[] =
    "Returns the multifield value with each expression inserted at the given position "
    "(zero-based), so the inserted values appear in reverse order";
inline constexpr char SInsertMFSyntax[] =
    "insert$ <multifield-expression> <integer-expression> <expression>*";
inline constexpr char SLengthMFHelp[] = "Returns the number of fields of a multifield value";
inline constexpr char SLengthMFSyntax[] = "length$ <multifield-expression> ";
inline constexpr char SMemberMFHelp[] =
    "Returns the position (zero-based) of the first field of the multifield value equal to "
    "the expression, otherwise FALSE";
inline constexpr char SMemberMFSyntax[] = "member$ <expression> <multifield-expression>";
inline constexpr char SNthMFHelp[] =
    "Returns the field at the given position (zero-based) of a multifield value";
inline constexpr char SNthMFSyntax[] = "nth$ <integer-expression> <multifield-expression>";
inline constexpr char SReplaceMFHelp[] =
    "Returns the multifield value with the fields from the begin to the end position "
    "(zero-based, inclusive) replaced by the expressions, which appear in reverse order";
inline constexpr char SReplaceMFSyntax[] =
    "replace$ <multifield-expression> <start-integer-expression> <end-integer-expression> "
    "<expression>*";
inline constexpr char SRestMFHelp[] =
    "Returns the multifield value without its first field";
inline constexpr char SRestMFSyntax[] = "rest$ <multifield-expression>";
inline constexpr char SSubSeqMFHelp[] =
    "Returns the fields from the begin to the end position (zero-based, inclusive) of a "
    "multifield value";
inline constexpr char SSubSeqMFSyntax[] =
    "subseq$ <multifield-expression> <start-integer-expression> <end-integer-expression>";
inline constexpr char SSubSetpMFHelp[] =
    "Returns TRUE if the fields of the first argument occur in order, one after another, "
    "within the multifield value, FALSE otherwise";
inline constexpr char SSubSetpMFSyntax[] = "subsetp <expression> <multifield-expression>";

// ---- Functions: math and predicate packages
inline constexpr char SExpectedNumericArgument[] = "Expected numeric argument to %s function call";
inline constexpr char SFloatZeroDivide[] = "Floating point division by zero";
inline constexpr char SFloatInvalidOperation[] = "Invalid floating point operation";
inline constexpr char SFloatOverflow[] = "Floating point overflow";
// The type words of value arguments that resolve to nothing (SNotAType).
inline constexpr char SNumericWord[] = "numeric";
inline constexpr char SIntegerWord[] = "integer";
inline constexpr char SListWord[] = "list";
inline constexpr char SStringWord[] = "string";
inline constexpr char SVerifyTypeHelp[] =
    "Returns TRUE if the argument is of the following type(s): %s.  If the argument is any "
    "other type, FALSE is returned";
inline constexpr char SVerifyTypeNone[] = "NONE";
inline constexpr char SAbsHelp[] = "Returns the absolute value of its argument";
inline constexpr char SDivHelp[] =
    "Returns the first argument divided by each of the following arguments, using integer "
    "division";
inline constexpr char SDivideHelp[] =
    "Returns the first argument divided by each of the following arguments";
inline constexpr char SExpHelp[] = "Returns e raised to the power of its argument";
inline constexpr char SExptHelp[] =
    "Returns the first argument raised to the power of the second argument";
inline constexpr char SFloatHelp[] = "Returns its argument converted to a float";
inline constexpr char SIntegerHelp[] =
    "Returns its argument converted to an integer, truncated toward zero";
inline constexpr char SLogHelp[] = "Returns the natural logarithm of its argument";
inline constexpr char SLog10Help[] = "Returns the base-10 logarithm of its argument";
inline constexpr char SMaxHelp[] = "Returns the largest of its arguments";
inline constexpr char SMinHelp[] = "Returns the smallest of its arguments";
inline constexpr char SMinusHelp[] =
    "Returns the first argument minus each of the following arguments";
inline constexpr char SModHelp[] =
    "Returns the remainder of the integer division of the first argument by the second";
inline constexpr char SPiHelp[] = "Returns the value of pi";
inline constexpr char SPlusHelp[] = "Returns the sum of its arguments";
inline constexpr char SRandomHelp[] = "Returns a pseudo-random integer from 0 to 65535";
inline constexpr char SRoundHelp[] =
    "Returns its argument rounded to the nearest integer, halves to the even integer";
inline constexpr char SSeedHelp[] =
    "Seeds the random number generator with its argument and returns TRUE";
inline constexpr char SSqrtHelp[] = "Returns the square root of its argument";
inline constexpr char STimesHelp[] = "Returns the product of its arguments";
inline constexpr char SEvenPHelp[] = "Returns TRUE if its argument is an even number, otherwise FALSE";
inline constexpr char SOddPHelp[] = "Returns TRUE if its argument is an odd number, otherwise FALSE";

// ---- Functions: object package (messages, help texts and argument synopses)
inline constexpr char SExpectedComponentArgument[] =
    "Expected component argument to %s function call";
inline constexpr char SInvalidPropertyType[] = "Invalid property type: %s";
inline constexpr char SInvalidPropertyElement[] = "Invalid property element: %s";
inline constexpr char SPropertyReadOnly[] = "Property %s is read-only";
inline constexpr char SObjectNotFreeable[] =
    "Cannot free the %s object: only components with an owner and objects made by "
    "create-object or create-component can be freed";
inline constexpr char SObjectHoldsEngine[] =
    "Cannot free the %s object: it holds the running engine";
inline constexpr char SObjectDestroyed[] =
    "The %s object this value refers to was destroyed";
inline constexpr char SObjectFreedAlready[] =
    "Cannot free the %s object: it was destroyed already";
inline constexpr char SPropertyNotWritten[] = "Property %s did not take the value %s";
inline constexpr char SCreateComponentHelp[] =
    "Creates a component of the class owned by the component, placed on the windowed "
    "control when one is given, and returns it";
inline constexpr char SCreateComponentSynopsis[] =
    " <TComponentClass-expression> <TComponent-expression> ";
inline constexpr char SCreateComponentParentSynopsis[] = "[<TWinControl-expression>]";
inline constexpr char SCreateObjectHelp[] = "Creates an object of the class and returns it";
inline constexpr char SCreateObjectSynopsis[] = " <TClass-expression>";
inline constexpr char SExecuteActionHelp[] =
    "Executes the action and returns TRUE when it did something, FALSE otherwise";
inline constexpr char SExecuteActionSynopsis[] = " <TBasicAction-expression>";
inline constexpr char SFreeObjectHelp[] = "Frees each object in order and returns TRUE";
inline constexpr char SFreeObjectSynopsis[] = " <TObject-expression>*";
inline constexpr char SGetComponentHelp[] =
    "Returns the engine's owner without arguments, else the component of the name owned by "
    "the engine's owner or by the given component, FALSE when there is none";
inline constexpr char SGetComponentSynopsis[] = " [<component-name>] | ";
inline constexpr char SGetComponentOwnerSynopsis[] = " [<TComponent-expression> <component-name>]";
inline constexpr char SGetComponentsHelp[] =
    "Returns a multifield of the components owned by the component, or by the engine's owner";
inline constexpr char SGetComponentsSynopsis[] = " [<TComponent-expression>]";
inline constexpr char SGetClassHelp[] = "Returns the class registered under the name";
inline constexpr char SGetClassSynopsis[] = " <class-name>";
inline constexpr char SGetPropertyHelp[] =
    "Returns the value of the object's published property, FALSE when it has no such property";
inline constexpr char SGetPropertySynopsis[] = " <TObject-expression> <property-name>";
inline constexpr char SGetPropertiesHelp[] =
    "Returns a multifield of the names of the object's published properties";
inline constexpr char SGetPropertiesSynopsis[] = " <TObject-expression>";
inline constexpr char SSetPropertyHelp[] =
    "Sets the object's published property to the value; returns TRUE, or FALSE when it has "
    "no such property";
inline constexpr char SSetPropertySynopsis[] = " <TObject-expression> <property-name> <expression>";
inline constexpr char SIsClassHelp[] =
    "Returns TRUE when the object is an instance of the class or of a descendant, FALSE "
    "otherwise";
inline constexpr char SIsClassSynopsis[] = " <TObject-expression> <TClass-expression>";

// ---- Functions: trigonometry package
inline constexpr char SDistanceLengthsDiffer[] =
    "Invalid multifield arguments, the two multifields must be of the same length";
inline constexpr char SAcosHelp[] = "Returns the arc cosine of its argument, in radians from 0 to pi";
inline constexpr char SAcoshHelp[] = "Returns the inverse hyperbolic cosine of its argument";
inline constexpr char SAcotHelp[] = "Returns the arc cotangent of its argument, in radians";
inline constexpr char SAcothHelp[] = "Returns the inverse hyperbolic cotangent of its argument";
inline constexpr char SAcscHelp[] = "Returns the arc cosecant of its argument, in radians";
inline constexpr char SAcschHelp[] = "Returns the inverse hyperbolic cosecant of its argument";
inline constexpr char SAsecHelp[] = "Returns the arc secant of its argument, in radians";
inline constexpr char SAsechHelp[] = "Returns the inverse hyperbolic secant of its argument";
inline constexpr char SAsinHelp[] =
    "Returns the arc sine of its argument, in radians from -pi/2 to pi/2";
inline constexpr char SAsinhHelp[] = "Returns the inverse hyperbolic sine of its argument";
inline constexpr char SAtanHelp[] = "Returns the arc tangent of its argument, in radians";
inline constexpr char SAtan2Help[] =
    "Returns the angle, in radians, of the point (X, Y): the arc tangent of Y/X in the "
    "quadrant of the point";
inline constexpr char SAtanhHelp[] = "Returns the inverse hyperbolic tangent of its argument";
inline constexpr char SCosHelp[] = "Returns the cosine of its argument, an angle in radians";
inline constexpr char SCoshHelp[] = "Returns the hyperbolic cosine of its argument";
inline constexpr char SCotHelp[] = "Returns the cotangent of its argument, an angle in radians";
inline constexpr char SCothHelp[] = "Returns the hyperbolic cotangent of its argument";
inline constexpr char SCscHelp[] = "Returns the cosecant of its argument, an angle in radians";
inline constexpr char SCschHelp[] = "Returns the hyperbolic cosecant of its argument";
inline constexpr char SCycleRadHelp[] = "Converts an angle in cycles to radians";
inline constexpr char SDegGradHelp[] = "Converts an angle in degrees to grads";
inline constexpr char SDegRadHelp[] = "Converts an angle in degrees to radians";
inline constexpr char SDistanceHelp[] =
    "Returns the distance between two points given as multifields of coordinates";
inline constexpr char SDistanceSqrHelp[] =
    "Returns the square of the distance between two points given as multifields of coordinates";
inline constexpr char SDistanceManhattanHelp[] =
    "Returns the Manhattan distance between two points given as multifields of coordinates";
inline constexpr char SGradDegHelp[] = "Converts an angle in grads to degrees";
inline constexpr char SGradRadHelp[] = "Converts an angle in grads to radians";
inline constexpr char SHypotenuseHelp[] =
    "Returns the length of the hypotenuse of a right triangle with legs X and Y";
inline constexpr char SRadCycleHelp[] = "Converts an angle in radians to cycles";
inline constexpr char SRadDegHelp[] = "Converts an angle in radians to degrees";
inline constexpr char SRadGradHelp[] = "Converts an angle in radians to grads";
inline constexpr char SSecHelp[] = "Returns the secant of its argument, an angle in radians";
inline constexpr char SSechHelp[] = "Returns the hyperbolic secant of its argument";
inline constexpr char SSinHelp[] = "Returns the sine of its argument, an angle in radians";
inline constexpr char SSinhHelp[] = "Returns the hyperbolic sine of its argument";
inline constexpr char STanHelp[] = "Returns the tangent of its argument, an angle in radians";
inline constexpr char STanhHelp[] = "Returns the hyperbolic tangent of its argument";

// ---- Functions: business package
inline constexpr char SPaymentTimeEnd[] = "ptEndOfPeriod";
inline constexpr char SPaymentTimeStart[] = "ptStartOfPeriod";
inline constexpr char SInvalidPaymentTime[] =
    "Invalid payment time for %s: \"%s\", expected ptEndOfPeriod or ptStartOfPeriod";
inline constexpr char SInvalidPeriod[] = "Invalid period for %s: %d is not between 1 and %d";
inline constexpr char SNoConvergence[] = "%s found no solution: the iteration did not converge";
inline constexpr char SDoubleDecliningBalanceHelp[] =
    "Returns the depreciation of an asset for the period by the double-declining-balance method";
inline constexpr char SFutureValueHelp[] =
    "Returns the future value of an investment of periodic payments at a fixed rate";
inline constexpr char SInterestPaymentHelp[] =
    "Returns the interest part of the payment for the period of a loan at a fixed rate";
inline constexpr char SInterestRateHelp[] =
    "Returns the interest rate per period that turns the present value into the future value";
inline constexpr char SInternalRateOfReturnHelp[] =
    "Returns the internal rate of return of a multifield of cash flows, starting from the guess";
inline constexpr char SNetPresentValueHelp[] =
    "Returns the net present value of a multifield of cash flows at the rate";
inline constexpr char SNumberOfPeriodsHelp[] =
    "Returns the number of payment periods of an investment at a fixed rate";
inline constexpr char SPaymentHelp[] =
    "Returns the full periodic payment of a loan at a fixed rate";
inline constexpr char SPeriodPaymentHelp[] =
    "Returns the principal part of the payment for the period of a loan at a fixed rate";
inline constexpr char SPresentValueHelp[] =
    "Returns the present value of an investment of periodic payments at a fixed rate";
inline constexpr char SSlnDepreciationHelp[] =
    "Returns the straight-line depreciation of an asset for one period";
inline constexpr char SSydDepreciationHelp[] =
    "Returns the depreciation of an asset for the period by the sum-of-years'-digits method";

// ---- Functions: misc package (listings, settings, time and dialogs)
inline constexpr char SUnknownConstructName[] = "Unknown %s name: %s";
inline constexpr char SFactSetWord[] = "fact set";
inline constexpr char SFactTemplateWord[] = "fact template";
inline constexpr char SRuleWord[] = "rule";
inline constexpr char SListTotalLine[] = "for a total of %s %s.";
inline constexpr char SShowTotalLine[] = "For a total of %s %s.";
inline constexpr char SActivationsWord[] = "activations";
inline constexpr char SRulesWord[] = "rules";
inline constexpr char SDeffactsWord[] = "deffacts";
inline constexpr char SDeffunctionsWord[] = "deffunctions";
inline constexpr char SDeftemplatesWord[] = "deftemplates";
inline constexpr char SFactsWord[] = "facts";
inline constexpr char SNoDialogHost[] = "No dialog host is assigned for %s";
inline constexpr char SInvalidSetItem[] = "Invalid item for set: %s";
inline constexpr char SInvalidDialogType[] =
    "Invalid dialog type for %s: \"%s\", expected mtWarning, mtError, mtInformation, "
    "mtConfirmation or mtCustom";
inline constexpr char STimeHelp[] = "Returns the seconds since midnight, with fractions";
inline constexpr char STimeSyntax[] = "time";
inline constexpr char SAgendaHelp[] =
    "Prints the activations on the agenda, the next to fire first, and their number";
inline constexpr char SAgendaSyntax[] = "agenda";
inline constexpr char SGetDynamicCheckHelp[] =
    "Returns TRUE when slot values are checked against their types as facts are made";
inline constexpr char SGetDynamicCheckSyntax[] = "get-dynamic-constraint-checking";
inline constexpr char SGetStaticCheckHelp[] =
    "Returns TRUE when slot values are checked against their types as constructs are parsed";
inline constexpr char SGetStaticCheckSyntax[] = "get-static-constraint-checking";
inline constexpr char SInputBoxHelp[] =
    "Asks the user for a text; returns the text entered, or the default when cancelled";
inline constexpr char SInputBoxSyntax[] =
    "input-box [<caption-string> [<prompt-string> [<default-string>]]]";
inline constexpr char SInputQueryHelp[] =
    "Asks the user for a text; returns the text entered, or FALSE when cancelled";
inline constexpr char SInputQuerySyntax[] =
    "input-query [<caption-string> [<prompt-string> [<default-string>]]]";
inline constexpr char SMessageDlgHelp[] =
    "Shows a message with a set of buttons; returns the result of the button pressed "
    "(mrOk, mrCancel, mrYes, mrNo, ...)";
inline constexpr char SMessageDlgSyntax[] =
    "message-dlg <string-expression> mtWarning|mtError|mtInformation|mtConfirmation|mtCustom "
    "<string-set-expression> [<integer-expression>]";
inline constexpr char SShowMessageHelp[] = "Shows a message with an OK button";
inline constexpr char SShowMessageSyntax[] = "show-message <string-expression> ";
inline constexpr char SListRulesHelp[] = "Prints the names of the rules in sorted order";
inline constexpr char SListRulesSyntax[] = "list-defrules";
inline constexpr char SListFactSetsHelp[] = "Prints the names of the deffacts in sorted order";
inline constexpr char SListFactSetsSyntax[] = "list-deffacts";
inline constexpr char SListFunctionsHelp[] =
    "Prints the names of the registered functions in sorted order";
inline constexpr char SListFunctionsSyntax[] = "list-deffunctions";
inline constexpr char SListTemplatesHelp[] =
    "Prints the names of the deftemplates in sorted order";
inline constexpr char SListTemplatesSyntax[] = "list-deftemplates";
inline constexpr char SPPDeffactsHelp[] = "Prints the text of the deffacts";
inline constexpr char SPPDeffactsSyntax[] = "ppdeffacts <fact-set-name>";
inline constexpr char SPPDeffunctionHelp[] = "Prints the text of the function";
inline constexpr char SPPDeffunctionSyntax[] = "ppdeffunction <function-name>";
inline constexpr char SPPDeftemplateHelp[] = "Prints the text of the deftemplate";
inline constexpr char SPPDeftemplateSyntax[] = "ppdeftemplate <fact-template-name>";
inline constexpr char SPPDefruleHelp[] = "Prints the text of the rule";
inline constexpr char SPPDefruleSyntax[] = "ppdefrule <rule-name>";
inline constexpr char SResetGlobalsHelp[] =
    "Sets whether reset restores the globals to their declared values, or returns the setting";
inline constexpr char SResetGlobalsSyntax[] = "set-reset-globals [<boolean-expression>]";
inline constexpr char SSetGenHelp[] = "Sets the number the next generated symbol starts from";
inline constexpr char SSetGenSyntax[] = "setgen <integer-expression>";
inline constexpr char SSetDynamicCheckHelp[] =
    "Turns the type check of slot values as facts are made on (TRUE) or off; returns the "
    "previous setting";
inline constexpr char SSetDynamicCheckSyntax[] =
    "set-dynamic-constraint-checking <boolean-expression>";
inline constexpr char SSetStaticCheckHelp[] =
    "Turns the type check of slot values as constructs are parsed on (TRUE) or off; returns "
    "the previous setting";
inline constexpr char SSetStaticCheckSyntax[] =
    "set-static-constraint-checking <boolean-expression>";
inline constexpr char SShowFactsHelp[] =
    "Prints the facts whose index lies between start and end, at most max of them";
inline constexpr char SShowFactsSyntax[] =
    "facts [<start-integer-expression> [<end-integer-expression> [<max-integer-expression>]]]";
inline constexpr char SShowRulesHelp[] =
    "Prints the text of every rule to the logical name (standard output without one)";
inline constexpr char SShowRulesSyntax[] = "rules[<logical-name>]";
inline constexpr char SUnDefFactsHelp[] = "Removes the deffacts";
inline constexpr char SUnDefFactsSyntax[] = "undeffacts <fact-set-name>";
inline constexpr char SUnDefFunctionHelp[] = "Removes the function";
inline constexpr char SUnDefFunctionSyntax[] = "undeffunction <function-name>";
inline constexpr char SUnDefRuleHelp[] = "Removes the rule and its activations";
inline constexpr char SUnDefRuleSyntax[] = "undefrule <rule-name>";
inline constexpr char SUnDefTemplateHelp[] =
    "Removes the deftemplate with its facts and the rules that use it";
inline constexpr char SUnDefTemplateSyntax[] = "undeftemplate <fact-template-name>";
// The terminal's dialogs: the prompt of an input box (with and without a
// default), the captions of the dialog types and buttons in ordinal order,
// one button of a choice and the question that follows the buttons.
inline constexpr char STerminalInputPrompt[] = "%s [%s]: ";
inline constexpr char STerminalInputPromptPlain[] = "%s: ";
inline constexpr const char* STerminalDialogTypes[] = {"Warning: ", "Error: ", "Information: ",
                                                       "Confirmation: ", ""};
inline constexpr const char* STerminalButtons[] = {"Yes", "No",        "OK",        "Cancel",
                                                   "Abort", "Retry",   "Ignore",    "All",
                                                   "No to All", "Yes to All", "Help"};
inline constexpr char STerminalButton[] = "  %d) %s";
inline constexpr char STerminalChoose[] = "Choose 1-%d: ";
